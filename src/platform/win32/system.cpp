// Files, profile store, strings, messages and host records over the Win32 API.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/common_internal.h"
#include "platform/platform.h"
#include "platform/strings_internal.h"
#include "platform/ui_hooks.h"

namespace gx::platform {

bool deleteFile(const std::string& path) {
    if (!saveStep("delete", path)) return false;
    return DeleteFileA(path.c_str()) != 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    if (renameFails() || !saveStep("rename", to, from)) return false;
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool replaceFile(const std::string& from, const std::string& to) {
    if (renameFails() || !saveStep("rename", to, from)) return false;
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool linkFile(const std::string& from, const std::string& to) {
    if (!saveStep("link", to, from)) return false;
    return CreateHardLinkA(to.c_str(), from.c_str(), nullptr) != 0;
}

bool syncDirectory(const std::string& directory) {
    // Renames are written through (MOVEFILE_WRITE_THROUGH); there is no folder to flush.
    return saveStep("syncdir", directory);
}

std::string resolvePath(const std::string& path) {
    return path;
}

bool fileIdentity(const std::string& path, uint64_t& device, uint64_t& number) {
    const FileStamp stamp = fileStamp(path);
    if (!stamp.exists) return false;
    device = stamp.device;
    number = stamp.number;
    return true;
}

FileStamp fileStamp(const std::string& path) {
    FileStamp stamp;
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return stamp;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return stamp;
    stamp.exists = true;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.number = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modified = int64_t((uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
                             info.ftLastWriteTime.dwLowDateTime);
    return stamp;
}

std::vector<std::string> listDirectory(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    std::string pattern = directory;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += "\\";
    pattern += "*";
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = data.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

bool renameNeedsClosedTarget() {
    return true;
}

namespace {

// Tries names of `prefix` and six random characters in `directory` until `make` makes one
// (it answers false with ERROR_FILE_EXISTS or ERROR_ALREADY_EXISTS set when the name is
// taken). GetTempFileNameA would keep three characters of the prefix; the whole prefix is
// what tells whose temporary file this is.
template <typename Make>
std::string makeUniqueIn(const std::string& directory, const std::string& prefix, Make make) {
    static unsigned counter = 0;
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += "\\";
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned v = GetTickCount() ^ (GetCurrentProcessId() << 12) ^ (++counter * 2654435761u);
        std::string name = prefix;
        for (int i = 0; i < 6; ++i) {
            name += kDigits[v % 36];
            v /= 36;
        }
        const std::string path = dir + name;
        if (make(path)) return path;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

}  // namespace

std::string createTempFileIn(const std::string& directory, const std::string& prefix) {
    return makeUniqueIn(directory, prefix, [](const std::string& path) {
        if (!saveStep("open", path)) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    });
}

std::string createTempFolderIn(const std::string& directory, const std::string& prefix) {
    return makeUniqueIn(directory, prefix, [](const std::string& path) {
        return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
    });
}

bool removeFolder(const std::string& folder) {
    for (const std::string& name : listDirectory(folder))
        DeleteFileA((folder + "\\" + name).c_str());
    return RemoveDirectoryA(folder.c_str()) != 0;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string tempDirectory() {
    char buf[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof buf, buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string(".");
}

int profileGetInt(const std::string& file, const std::string& section, const std::string& key,
                  int defaultValue) {
    if (file.empty()) return defaultValue;
    return static_cast<int>(
        GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, file.c_str()));
}

std::string profileGetString(const std::string& file, const std::string& section,
                             const std::string& key, const std::string& defaultValue) {
    if (file.empty()) return defaultValue;
    std::vector<char> buf(4096);
    GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buf.data(),
                             static_cast<DWORD>(buf.size()), file.c_str());
    return buf.data();
}

bool profileWriteString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    if (file.empty()) return false;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           0;
}

// The profile API keeps its own cache of the file.
bool profileHold(const std::string&) {
    return false;
}
bool profileFlush() {
    return true;
}

namespace {
HINSTANCE thisModule() {
    HMODULE m = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&thisModule), &m);
    return m;
}
}  // namespace

const char* loadString(int id) {
    char buf[257];
    int n = LoadStringA(thisModule(), static_cast<UINT>(id), buf, sizeof buf);
    if (n <= 0) {
        // A module without the resource (the host, tests) uses the compiled table.
        const char* text = compiledString(id);
        return placeInRotatingArea(text ? text : "");
    }
    return placeInRotatingArea(buf);
}

void reportDetail(const std::string& text) {
    if (text.empty()) return;
    OutputDebugStringA((text + "\n").c_str());
}

int messageBox(const char* text, const char* caption, unsigned flags) {
    MessageBoxHandler handler = messageBoxHandler();
    HWND owner = static_cast<HWND>(messageBoxOwner());
    if (handler) {
        // The scripted user stands in for the person: the same line as on POSIX, and
        // the questions the host answered unprinted when it asks for quiet.
        if ((flags & 0xF) == kMbOk || environmentValue("GLYPH_EXPORT_QUIET") != "1") {
            std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
            std::fflush(stderr);
        }
        // Outside the dialogs nobody could press a button: the script answers. A
        // dialog's own messages are real boxes, answered through their buttons.
        if (!owner || !IsWindow(owner)) return handler(text, caption, flags);
    }
    if (owner && IsWindow(owner)) return MessageBoxA(owner, text, caption, flags);
    return MessageBoxA(nullptr, text, caption, flags | MB_TASKMODAL);
}

void* allocHostRecord(size_t size) {
    if (hostRecordAllocationFails()) return nullptr;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

void freeHostRecord(void* record) {
    if (!record) return;
    HGLOBAL h = GlobalHandle(record);
    if (h) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
}

void closeSystemHandle(uint32_t handle) {
    CloseHandle(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)));
}

}  // namespace gx::platform
