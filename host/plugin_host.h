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

// Loads the plug-in and runs one export: [9], 5 (answering the request by delivering the
// objects), 7. The library stays loaded until the process ends, as in a drawing program.
ExportOutcome runExport(const ExportJob& job);

// Where the plug-in libraries are: GLYPH_EXPORT_PLUGIN_DIR, else beside the executable.
std::string pluginDirectory(const char* argv0);
std::string pluginFileName(bool truetype);

}  // namespace gx::host
