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
    return DeleteFileA(path.c_str()) != 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    if (renameFails()) return false;
    return MoveFileA(from.c_str(), to.c_str()) != 0;
}

std::string createTempFileIn(const std::string& directory, const std::string& prefix) {
    char buf[MAX_PATH];
    if (GetTempFileNameA(directory.c_str(), prefix.c_str(), 0, buf) == 0) return {};
    return buf;
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

int messageBox(const char* text, const char* caption, unsigned flags) {
    MessageBoxHandler handler = messageBoxHandler();
    HWND owner = static_cast<HWND>(messageBoxOwner());
    if (handler) {
        // The scripted user stands in for the person: the same line as on POSIX, and
        // the questions the host answered unprinted when it asks for quiet.
        const char* quiet = std::getenv("GLYPH_EXPORT_QUIET");
        if ((flags & 0xF) == kMbOk || !quiet || quiet[0] != '1') {
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

void debugOutput(const std::string& text) {
    OutputDebugStringA((text + "\n").c_str());
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
