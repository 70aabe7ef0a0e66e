// The exported entry of the TrueType plug-in.
#include "entry/truetype_session.h"

namespace {

gx::FilterEntryState g_state;

uint16_t GX_STDCALL captureTrampoline(const int32_t* points, const uint8_t* types, int32_t count,
                                      uint32_t /*reserved*/) {
    try {
        return gx::captureObject(gx::trueTypeSession(), gx::truetypeTraits(), points, types, count);
    } catch (...) {
        return gx::truetypeTraits().codeNotClosed;
    }
}

const gx::PluginDriver kDriver{gx::prepareTrueTypeExport, gx::finishTrueTypeExport,
                               gx::trueTypeSession, captureTrampoline};

}  // namespace

extern "C" GX_EXPORT int32_t GX_STDCALL FilterEntry(int32_t command, gx::HostExportCall* call) {
    try {
        return gx::runFilterEntry(g_state, kDriver, command, call);
    } catch (...) {
        return 0;
    }
}
