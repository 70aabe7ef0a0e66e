// Platform-independent parts of the seams: test hooks and the message-box handler.
#include "platform/common_internal.h"

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <signal.h>
#include <unistd.h>
#endif
#include "platform/platform.h"
#include "platform/ui_hooks.h"

namespace gx::platform {
namespace {
MessageBoxHandler g_handler = nullptr;
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

void reportExportOutcome(ExportOutcome outcome, bool savedEarlier) {
    const char* path = std::getenv("GLYPH_EXPORT_OUTCOME");
    if (!path || !*path) return;
    const char* word = outcome == ExportOutcome::Written     ? "written"
                       : outcome == ExportOutcome::Cancelled ? "cancelled"
                                                             : "failed";
    if (std::FILE* f = std::fopen(path, "wb")) {
        std::fprintf(f, "%s%s\n", word, savedEarlier ? " saved" : "");
        std::fclose(f);
    }
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

}  // namespace gx::platform
