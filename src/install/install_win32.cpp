// Windows: the font registry under HKEY_LOCAL_MACHINE, the system font table and
// the WM_FONTCHANGE broadcast.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "install/install.h"
#include "platform/platform.h"

namespace gx::install {
namespace {

struct PlatformEntry {
    const char* key;
    const char* subdirectory;
};

int platformId() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
    if (!GetVersionExA(&info)) return 0;
    return int(info.dwPlatformId);
}

PlatformEntry platformEntry(int id) {
    if (id == 1) return {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts", "\\Fonts"};
    if (id == 2) return {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "\\system"};
    return {"", ""};
}

std::string valueName(const std::string& family) {
    return family + " (TrueType)";
}

}  // namespace

std::string hostFontsDirectory(const std::string& iniPath) {
    static std::map<std::string, std::string> remembered;
    auto it = remembered.find(iniPath);
    if (it != remembered.end()) return it->second;
    // The host's configuration directory is where its configuration file lives.
    std::string configDir = iniPath.empty() ? std::string() : platform::directoryOf(iniPath);
    if (!configDir.empty() && configDir.back() != '\\' && configDir.back() != '/')
        configDir += '\\';
    std::string dir = iniPath.empty()
                          ? std::string()
                          : platform::profileGetString(iniPath, "Config", "FontsDir", "");
    const bool hasDrive = dir.size() >= 2 && dir[1] == ':';
    const bool rooted = !dir.empty() && (dir[0] == '\\' || dir[0] == '/');
    if (dir.empty())
        dir = configDir;
    else if (!hasDrive && !rooted)
        dir = configDir + dir;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    std::transform(dir.begin(), dir.end(), dir.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    remembered[iniPath] = dir;
    return dir;
}

InstalledFont locateInstalledFont(const std::string& family, const std::string& iniPath) {
    InstalledFont result;
    const PlatformEntry entry = platformEntry(platformId());
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, entry.key, &key) != ERROR_SUCCESS) return result;
    char value[300] = {0};
    DWORD size = sizeof value - 1;  // keeps a terminator even for a value stored without one
    DWORD type = 0;
    result.registered = RegQueryValueExA(key, valueName(family).c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (result.registered) {
        char windowsDir[300] = {0};
        GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
        result.path = resolveRegisteredPath(value, windowsDir, entry.subdirectory);
    } else {
        const std::string fileName = fontFileNameFor(family);
        if (fileName == ".ttf") return result;
        result.path = hostFontsDirectory(iniPath) + fileName;
    }
    result.found = true;
    return result;
}

bool unloadFontResource(const std::string& path) {
    const int id = platformId();
    if (id != 1 && id != 2) return false;
    RemoveFontResourceA(path.c_str());
    return true;
}

int loadFontResource(const std::string& path) {
    const int id = platformId();
    if (id != 1 && id != 2) return 0;
    return AddFontResourceA(path.c_str());
}

bool registerFontValue(const std::string& family, const std::string& path) {
    const int id = platformId();
    if (id != 1 && id != 2) return false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, platformEntry(id).key, 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExA(key, valueName(family).c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(path.c_str()), DWORD(path.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void broadcastFontChange() {
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

}  // namespace gx::install
