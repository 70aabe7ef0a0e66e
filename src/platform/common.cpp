// Platform-independent parts of the seams: test hooks and the message-box handler.
#include "platform/common_internal.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif
#include <string>
#include <string_view>
#include <vector>
#include "platform/platform.h"
#include "platform/ui_hooks.h"

namespace gx::platform {
namespace {
MessageBoxHandler g_handler = nullptr;
void* g_owner = nullptr;
long long g_writeBudget = -1;
int g_hostRecordFailure = 0;
int g_renameFailure = 0;
int g_stepFailure = 0;
bool g_noReplaceRefused = false;
bool g_laterRenamesFail = false;
int g_killAtStep = 0;
int g_steps = 0;
StepObserver g_observer = nullptr;
}  // namespace

void setMessageBoxHandler(MessageBoxHandler handler) {
    g_handler = handler;
}
MessageBoxHandler messageBoxHandler() {
    return g_handler;
}

void setMessageBoxOwner(void* window) {
    g_owner = window;
}
void* messageBoxOwner() {
    return g_owner;
}

void injectWriteFailureAfter(long long bytes) {
    g_writeBudget = bytes;
}
void injectHostRecordFailure(int nth) {
    g_hostRecordFailure = nth;
}
void injectRenameFailure(int nth) {
    g_renameFailure = nth;
}

long allowedWrite(long count) {
    if (g_writeBudget < 0 || count <= 0) return count;
    if (count <= g_writeBudget) {
        g_writeBudget -= count;
        return count;
    }
    long allowed = static_cast<long>(g_writeBudget);
    g_writeBudget = 0;
    return allowed;
}

bool hostRecordAllocationFails() {
    if (g_hostRecordFailure <= 0) return false;
    return --g_hostRecordFailure == 0;
}

bool renameFails() {
    if (g_renameFailure <= 0) return false;
    return --g_renameFailure == 0;
}

void reportExportOutcome(ExportOutcome outcome, bool savedEarlier, int code) {
    const std::string where = environmentValue("GLYPH_EXPORT_OUTCOME");
    if (where.empty()) return;
    const char* word = outcome == ExportOutcome::Written     ? "written"
                       : outcome == ExportOutcome::Cancelled ? "cancelled"
                                                             : "failed";
    std::string line = std::string(word) + (savedEarlier ? " saved" : "");
    if (outcome == ExportOutcome::Written && code >= 0) line += " code " + std::to_string(code);
    line += "\n";
    if (where.compare(0, kOutcomeVariablePrefix.size(), kOutcomeVariablePrefix) == 0) {
        // A host in this process reads it from the environment: no file per export.
        setEnvironmentValue(where.c_str() + kOutcomeVariablePrefix.size(), line.c_str());
        return;
    }
    if (std::FILE* f = std::fopen(where.c_str(), "wb")) {
        std::fputs(line.c_str(), f);
        std::fclose(f);
    }
}

std::string environmentValue(const char* name) {
#ifdef _WIN32
    char small[256];
    DWORD n = GetEnvironmentVariableA(name, small, sizeof small);
    if (n == 0) return std::string();
    if (n < sizeof small) return std::string(small, n);
    std::vector<char> big(n);
    DWORD m = GetEnvironmentVariableA(name, big.data(), n);
    return m > 0 && m < n ? std::string(big.data(), m) : std::string();
#else
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
#endif
}

void setEnvironmentValue(const char* name, const char* value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name, value);
#else
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
#endif
}

std::string currentBatch(bool* last) {
    const std::string v = environmentValue(kHoldSettingsVariable);
    const size_t space = v.find(' ');
    if (last)
        *last = space != std::string::npos && v.compare(space, std::string::npos, " end") == 0;
    return v.substr(0, space);
}

bool syncWanted(const std::string& path, bool isFolder) {
    const std::string folder = environmentValue(kNoSyncFolderVariable);
    if (folder.empty()) return true;
    return (isFolder ? path : directoryOf(path)) != folder;
}

void injectNoReplaceRefused(bool refused) {
    g_noReplaceRefused = refused;
}
bool noReplaceRefused() {
    return g_noReplaceRefused;
}

void injectStepFailure(int n, bool laterRenamesToo) {
    g_stepFailure = n;
    g_laterRenamesFail = laterRenamesToo;
    g_steps = 0;
}
void injectKillAtStep(int n) {
    g_killAtStep = n;
    g_steps = 0;
}
int stepCount() {
    return g_steps;
}
void resetStepCount() {
    g_steps = 0;
}
void setStepObserver(StepObserver observer) {
    g_observer = observer;
}

bool saveStep(const char* kind, const std::string& path, const std::string& from) {
    ++g_steps;
#ifndef _WIN32
    if (g_killAtStep > 0 && g_steps == g_killAtStep) ::kill(::getpid(), SIGKILL);
#endif
    if (g_observer) g_observer(kind, path, from);
    if (g_stepFailure > 0 && g_steps == g_stepFailure) return false;
    return !(g_laterRenamesFail && g_stepFailure > 0 && g_steps > g_stepFailure &&
             std::string(kind) == "rename");
}

bool readWholeFile(const std::string& path, std::string& out, size_t maxBytes) {
    out.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (out.size() + n > maxBytes) {
            ok = false;
            break;
        }
        out.append(buf, n);
    }
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    return ok;
}

}  // namespace gx::platform
