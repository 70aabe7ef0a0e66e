// Platform-independent parts of the seams: test hooks and the message-box handler.
#include "platform/common_internal.h"
#include "platform/platform.h"
#include "platform/ui_hooks.h"

namespace gx::platform {
namespace {
MessageBoxHandler g_handler = nullptr;
void* g_owner = nullptr;
long long g_writeBudget = -1;
int g_hostRecordFailure = 0;
int g_renameFailure = 0;
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

}  // namespace gx::platform
