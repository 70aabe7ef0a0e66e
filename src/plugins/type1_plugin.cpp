// The exported entry of the Type1 plug-in.
#include "entry/type1_session.h"

namespace {

gx::FilterEntryState g_state;

uint16_t GX_STDCALL captureTrampoline(const int32_t* points, const uint8_t* types, int32_t count,
                                      uint32_t /*reserved*/) {
    try {
        return gx::captureObject(gx::type1Session(), gx::type1Traits(), points, types, count);
    } catch (...) {
        return gx::type1Traits().codeNotClosed;
    }
}

const gx::PluginDriver kDriver{gx::prepareType1Export, gx::finishType1Export, gx::type1Session,
                               captureTrampoline};

}  // namespace

extern "C" GX_EXPORT int32_t GX_STDCALL FilterEntry(int32_t command, gx::HostExportCall* call) {
    try {
        return gx::runFilterEntry(g_state, kDriver, command, call);
    } catch (...) {
        return 0;
    }
}
