// The drawing program's side of the plug-in protocol.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "outline_reader.h"

namespace gx::host {

struct ExportJob {
    std::string pluginPath;            // the shared library
    bool fileMode = true;              // send command 9 before begin
    std::string target;                // font file path, or the family name in symbol mode
    std::vector<HostOutline> objects;  // each goes to its own CaptureObject call
    int32_t originX = 0;               // host units, 254000 per inch
    int32_t originY = 0;
    std::string iniPath;
    std::string helpFile;
};

struct ExportOutcome {
    bool loaded = false;  // the library and its FilterEntry were found
    std::string loadError;
    int32_t beginResult = 0;
    int32_t finishResult = 0;
    std::vector<uint16_t> captureResults;
    bool requestCalled = false;
};

// A loaded plug-in. The library stays loaded until the process ends, as in a drawing
// program, so a batch loads it once and runs every export through the same entry.
struct Plugin {
    void* entry = nullptr;  // FilterEntry; null when the library or the entry is missing
    std::string error;      // why it is null
};
Plugin loadPlugin(const std::string& path);

// Runs one export through a loaded plug-in: [9], 5 (answering the request by delivering
// the objects), 7.
ExportOutcome runExport(const Plugin& plugin, const ExportJob& job);
// Loads the plug-in named in the job, then runs the export.
ExportOutcome runExport(const ExportJob& job);

// Where the plug-in libraries are: GLYPH_EXPORT_PLUGIN_DIR, else beside the executable.
std::string pluginDirectory(const char* argv0);
std::string pluginFileName(bool truetype);

}  // namespace gx::host
