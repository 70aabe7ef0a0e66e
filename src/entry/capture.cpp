// The per-object callback: one closed object per export.
#include <new>

#include "entry/session.h"
#include "support/strings.h"

namespace gx {

bool outlineIsClosed(const uint8_t* types, int32_t count) {
    bool closed = true;
    for (int32_t i = 0; i < count; ++i) {
        if ((types[i] & kNodeKindMask) == kNodeStart) {
            if (!closed) return false;
            closed = false;
        }
        if (!closed && (types[i] & kNodeClosed)) closed = true;
    }
    return closed;
}

namespace {
uint16_t refuse(ExportSessionBase& session, const PluginTraits& traits, int messageId,
                uint16_t code) {
    session.closeFontFile();
    showError(traits, messageId);
    session.aborted = 1;
    return code;
}
}  // namespace

uint16_t captureObject(ExportSessionBase& session, const PluginTraits& traits,
                       const int32_t* points, const uint8_t* types, int32_t count) {
    if (session.aborted) return traits.codeAlreadyAborted;

    if (++session.objectCount > 1) {
        session.outline.release();
        return refuse(session, traits, str::kTooManyObjects, traits.codeTooManyObjects);
    }
    // The outline's count is 16 bits wide everywhere downstream: refuse rather than
    // truncate it. A negative count or missing arrays are a broken call.
    if (count < 0 || count > 32767 || (count > 0 && (!points || !types)))
        return refuse(session, traits, str::kTooManyNodes, traits.codeNotClosed);
    if (count > 0 && !outlineIsClosed(types, count))
        return refuse(session, traits, str::kObjectsNotClosed, traits.codeNotClosed);

    session.outline.release();
    if (count == 0) return 0;  // an empty outline is accepted
    try {
        session.outline.points.assign(points, points + size_t(count) * 2);
        session.outline.types.assign(types, types + count);
    } catch (const std::bad_alloc&) {
        session.outline.release();
        return refuse(session, traits, str::kOutOfMemory, traits.codeNotClosed);
    }
    session.outline.count = static_cast<int16_t>(count);
    return 0;
}

}  // namespace gx
