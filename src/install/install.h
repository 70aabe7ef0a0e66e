// Finding, loading and registering installed TrueType fonts (symbol mode).
#pragma once

#include <string>

namespace gx::install {

struct InstalledFont {
    bool found = false;       // a target path was produced
    std::string path;         // the family's font file, or the file to create
    bool registered = false;  // the system knows the family already
};

// The family's installed file, or a new file name in the host's fonts directory.
// `iniPath` is the host's configuration file (it names the fonts directory).
InstalledFont locateInstalledFont(const std::string& family, const std::string& iniPath);
bool unloadFontResource(const std::string& path);
int loadFontResource(const std::string& path);
bool registerFontValue(const std::string& family, const std::string& path);
// Where an installed font's previous version is kept while the font is rewritten: a
// name the system's font lists do not take for a second copy of the family.
std::string backupPathFor(const std::string& fontPath);
// Tells running programs that the set of fonts changed.
void broadcastFontChange();
// The host's "[Config] FontsDir", ending in a separator.
std::string hostFontsDirectory(const std::string& iniPath);

// Shared rules, the same on every system.
// The family name without the characters a file name cannot hold, plus ".ttf".
std::string fontFileNameFor(const std::string& family);
// Cuts an extension longer than three characters after the last '.' to three.
std::string trimExtension(const std::string& path);
// A registry value that is a bare file name lives in the system fonts folder.
std::string resolveRegisteredPath(const std::string& value, const std::string& windowsDirectory,
                                  const std::string& subdirectory);

}  // namespace gx::install
