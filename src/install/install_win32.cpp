// Windows: the font registry, the system font table and the WM_FONTCHANGE broadcast.
// Fonts installed for every user are registered under HKEY_LOCAL_MACHINE, which only an
// administrator may write; since Windows 10 a user installs fonts for themself under
// HKEY_CURRENT_USER, by full path. Both are looked up and, where the machine's key is
// refused, the user's is written.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "install/install.h"
#include "platform/platform.h"
#include "support/paths.h"

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

std::string valueName(const std::string& family) {
    return family + " (TrueType)";
}

// Windows NT keeps its fonts in <Windows>\Fonts as Windows 95 does; its "system"
// folder holds no fonts, so bare file names are resolved in Fonts on both.
PlatformEntry platformEntry(int id) {
    if (id == 1) return {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts", "\\Fonts"};
    if (id == 2) return {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", "\\Fonts"};
    return {"", ""};
}

// The family's registered file under `root`; false when the key or value is missing.
bool queryFontValue(HKEY root, const char* keyName, const std::string& family, std::string& out,
                    bool& keyOpened) {
    HKEY key;
    keyOpened = false;
    if (RegOpenKeyA(root, keyName, &key) != ERROR_SUCCESS) return false;
    keyOpened = true;
    char value[300] = {0};
    DWORD size = sizeof value - 1;  // keeps a terminator even for a value stored without one
    DWORD type = 0;
    const bool found = RegQueryValueExA(key, valueName(family).c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
                       (type == REG_SZ || type == REG_EXPAND_SZ) && value[0] != '\0';
    RegCloseKey(key);
    if (found) out = value;
    return found;
}

bool setFontValue(HKEY root, const char* keyName, const std::string& family,
                  const std::string& path) {
    HKEY key;
    // The user's key may not exist before their first font.
    const LONG opened =
        root == HKEY_CURRENT_USER
            ? RegCreateKeyExA(root, keyName, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)
            : RegOpenKeyExA(root, keyName, 0, KEY_SET_VALUE, &key);
    if (opened != ERROR_SUCCESS) return false;
    const LONG rc = RegSetValueExA(key, valueName(family).c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(path.c_str()), DWORD(path.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
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
    const int id = platformId();
    const PlatformEntry entry = platformEntry(id);
    std::string value;
    bool machineKey = false, userKey = false;
    result.registered = queryFontValue(HKEY_LOCAL_MACHINE, entry.key, family, value, machineKey);
    if (!result.registered && (id == 1 || id == 2))
        result.registered = queryFontValue(HKEY_CURRENT_USER, entry.key, family, value, userKey);
    if (!machineKey && !userKey) return result;
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
    const char* key = platformEntry(id).key;
    return setFontValue(HKEY_LOCAL_MACHINE, key, family, path) ||
           setFontValue(HKEY_CURRENT_USER, key, family, path);
}

// The registry names font files by name, so a backup beside the font is never taken for
// another copy of the family.
std::string backupPathFor(const std::string& fontPath) {
    return companionPath(fontPath, ".bak");
}

void broadcastFontChange() {
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

}  // namespace gx::install
