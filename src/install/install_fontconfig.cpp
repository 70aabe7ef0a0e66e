// Linux: fontconfig stands in for the font registry. A family is registered when
// fontconfig lists a TrueType file for it; registering refreshes the cache of the
// font's directory so every fontconfig client sees the font at once.
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>

#include "install/fontconfig_api.h"
#include "install/install.h"
#include "platform/platform.h"
#include "support/paths.h"

namespace gx::install {
namespace {

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir.push_back('/');
    return dir;
}

bool makeDirectories(const std::string& dir) {
    for (size_t at = 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/') continue;
        const std::string part = dir.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

std::string hostFontsDirectory(const std::string& iniPath) {
    // Remembered for the life of the plug-in, per configuration file.
    static std::map<std::string, std::string> remembered;
    auto it = remembered.find(iniPath);
    if (it != remembered.end()) return it->second;
    std::string dir = iniPath.empty()
                          ? std::string()
                          : platform::profileGetString(iniPath, "Config", "FontsDir", "");
    if (!dir.empty() && dir[0] != '/') {
        dir = platform::directoryOf(iniPath) + "/" + dir;
    } else if (dir.empty()) {
        const char* data = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        if (data && data[0] == '/')
            dir = std::string(data) + "/fonts";
        else if (home && home[0])
            dir = std::string(home) + "/.local/share/fonts";
    }
    if (!dir.empty()) dir = withSlash(dir);
    remembered[iniPath] = dir;
    return dir;
}

namespace {
std::string baseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
bool isBackupFile(const std::string& path) {
    const std::string name = baseNameOf(path);
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".bak";
}
}  // namespace

InstalledFont locateInstalledFont(const std::string& family, const std::string& iniPath) {
    InstalledFont result;
    const std::string fontsDir = hostFontsDirectory(iniPath);
    const std::string fileName = fontFileNameFor(family);
    if (fileName == ".ttf") return result;

    std::string unavailable;
    const FontconfigApi* fc = fontconfig(unavailable);
    if (!fc) {
        // Without fontconfig no installed font can be found, nor a new one registered.
        platform::reportDetail(unavailable);
        return result;
    }
    if (FcConfig* config = fc->FcInitLoadConfigAndFonts()) {
        // Our own fonts directory counts even when the user's configuration lacks it,
        // so a font we made is extended rather than overwritten.
        if (!fontsDir.empty())
            fc->FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(fontsDir.c_str()));
        FcPattern* pattern = fc->FcPatternCreate();
        FcObjectSet* objects = fc->FcObjectSetBuild(FC_FILE, FC_FONTFORMAT, nullptr);
        if (pattern && objects &&
            fc->FcPatternAddString(pattern, FC_FAMILY,
                                   reinterpret_cast<const FcChar8*>(family.c_str()))) {
            if (FcFontSet* set = fc->FcFontList(config, pattern, objects)) {
                std::string best;
                for (int i = 0; i < set->nfont; ++i) {
                    FcChar8* file = nullptr;
                    FcChar8* format = nullptr;
                    if (fc->FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch ||
                        fc->FcPatternGetString(set->fonts[i], FC_FONTFORMAT, 0, &format) !=
                            FcResultMatch)
                        continue;
                    const std::string path = reinterpret_cast<const char*>(file);
                    if (std::string(reinterpret_cast<const char*>(format)) != "TrueType") continue;
                    // fontconfig lists every font file it finds, our own backups among
                    // them; a backup is never the font to extend.
                    if (isBackupFile(path)) continue;
                    // The file this plug-in would name for the family comes first; after
                    // that the same choice every time.
                    const bool named = baseNameOf(path) == fileName;
                    const bool bestNamed = !best.empty() && baseNameOf(best) == fileName;
                    if (best.empty() || (named && !bestNamed) ||
                        (named == bestNamed && path < best))
                        best = path;
                }
                fc->FcFontSetDestroy(set);
                if (!best.empty()) {
                    result.found = true;
                    result.registered = true;
                    result.path = best;
                }
            }
        }
        if (objects) fc->FcObjectSetDestroy(objects);
        if (pattern) fc->FcPatternDestroy(pattern);
        fc->FcConfigDestroy(config);
    }
    if (!result.registered) {
        if (fontsDir.empty() || !makeDirectories(fontsDir.substr(0, fontsDir.size() - 1)))
            return result;
        result.found = true;
        result.path = fontsDir + fileName;
    }
    return result;
}

// Nothing holds a font file open on Linux while it is rewritten.
bool unloadFontResource(const std::string&) {
    return true;
}

int loadFontResource(const std::string& path) {
    return platform::FontFile::exists(path) ? 1 : 0;
}

// Rebuilds the cache of the font's directory (a new directory has none to rescan), and
// counts the font registered when fontconfig found it there.
bool registerFontValue(const std::string&, const std::string& path) {
    std::string unavailable;
    const FontconfigApi* fc = fontconfig(unavailable);
    if (!fc) {
        platform::reportDetail(unavailable);
        return false;
    }
    FcConfig* config = fc->FcInitLoadConfig();
    if (!config) return false;
    const std::string dir = platform::directoryOf(path);
    bool listed = false;
    if (FcCache* cache =
            fc->FcDirCacheRead(reinterpret_cast<const FcChar8*>(dir.c_str()), FcTrue, config)) {
        if (FcFontSet* set = fc->FcCacheCopySet(cache)) {
            for (int i = 0; i < set->nfont && !listed; ++i) {
                FcChar8* file = nullptr;
                listed =
                    fc->FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch &&
                    baseNameOf(reinterpret_cast<const char*>(file)) == baseNameOf(path);
            }
            fc->FcFontSetDestroy(set);
        }
        fc->FcDirCacheUnload(cache);
    }
    fc->FcConfigDestroy(config);
    return listed;
}

// fontconfig indexes every font file of a fonts directory whatever its name, so a
// "FAMILY.bak" beside the font would list the family twice; it skips hidden files.
std::string backupPathFor(const std::string& fontPath) {
    const std::string backup = companionPath(fontPath, ".bak");
    const size_t slash = backup.find_last_of('/');
    const size_t at = slash == std::string::npos ? 0 : slash + 1;
    if (backup.compare(at, 1, ".") == 0) return backup;
    return backup.substr(0, at) + "." + backup.substr(at);
}

void broadcastFontChange() {}

}  // namespace gx::install
