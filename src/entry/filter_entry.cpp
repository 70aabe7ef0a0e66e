// The command protocol of FilterEntry, shared by both plug-ins.
#include <new>

#include "entry/session.h"
#include "support/strings.h"
#include "ui/ui_script.h"

namespace gx {

const PluginTraits& truetypeTraits() {
    static const PluginTraits t{PluginKind::TrueType, str::kCaptionTrueType, 2, 2, 3};
    return t;
}

const PluginTraits& type1Traits() {
    static const PluginTraits t{PluginKind::Type1, str::kCaptionType1, 0, 1, 1};
    return t;
}

void showError(const PluginTraits& traits, int messageId, const std::string& detail) {
    const char* caption = platform::loadString(traits.captionId);
    const char* text = platform::loadString(messageId);
    platform::messageBox(text, caption, platform::kMbOk | platform::kMbIconError);
    platform::reportDetail(detail);
}

void releaseHostValue(HostExportCall& call) {
    if (call.requestValue != 0) {
        if (call.callbacks && call.callbacks->release) call.callbacks->release(call.requestValue);
        call.requestValue = 0;
    }
}

FontExportSettings* settingsRecord(HostExportCall& call) {
    if (!call.pluginSlot) call.pluginSlot = new (std::nothrow) FontExportSettings();
    return static_cast<FontExportSettings*>(call.pluginSlot);
}

void destroySettingsRecord(HostExportCall& call) {
    delete static_cast<FontExportSettings*>(call.pluginSlot);
    call.pluginSlot = nullptr;
}

namespace {

void fillOptions(ExportOptionsRecord& o) {
    // Every value not set here stays zero.
    o.values[0] = 2;
    o.values[1] = 1;
    o.values[36 / 4] = 1;
    o.values[40 / 4] = 1;
    o.values[96 / 4] = 1;
    o.values[108 / 4] = 4096;
    o.values[112 / 4] = 450;
    o.values[116 / 4] = 1;
}

int32_t begin(const PluginDriver& driver, HostExportCall& call, bool fileMode) {
    installScriptedUser();
    if (!driver.prepare(call, fileMode)) return 0;

    auto* driverRecord =
        static_cast<ExportDriverRecord*>(platform::allocHostRecord(sizeof(ExportDriverRecord)));
    if (!driverRecord) return 0;
    auto* options =
        static_cast<ExportOptionsRecord*>(platform::allocHostRecord(sizeof(ExportOptionsRecord)));
    if (!options) {
        platform::freeHostRecord(driverRecord);
        return 0;
    }
    fillOptions(*options);
    PageExtent page = kPageExtent;

    ExportSessionBase& session = driver.session();
    if (session.fontFile) session.fontFile->seek(0, platform::SeekOrigin::Begin);
    session.objectCount = 0;

    *driverRecord = ExportDriverRecord{};
    driverRecord->kind = kDriverRecordKind;
    driverRecord->captureObject = driver.captureObject;

    ExportRequestBlock block{};
    block.options = options;
    block.page = &page;
    block.one8 = 1;
    block.driver = driverRecord;
    block.one16 = 1;
    for (int i = 0; i < 5; ++i) block.hostValues[i] = call.hostValues ? call.hostValues[i] : 0;
    block.zero40 = 0;

    call.requestValue = call.callbacks && call.callbacks->request
                            ? call.callbacks->request(kRequestCode, &block)
                            : 0;
    return 1;
}

}  // namespace

int32_t runFilterEntry(FilterEntryState& state, const PluginDriver& driver, int32_t command,
                       HostExportCall* call) {
    if (state.firstCall) {
        // A stale file-mode flag must never survive a reload.
        state.firstCall = false;
        state.fileMode = false;
    }
    try {
        switch (command) {
            case kCommandBegin:
                return call ? begin(driver, *call, state.fileMode) : 0;
            case kCommandFinish: {
                int32_t result = call ? driver.finish(*call, state.fileMode) : 0;
                state.fileMode = false;
                return result;
            }
            case kCommandFileMode:
                state.fileMode = true;
                return 1;
            default:
                return 1;
        }
    } catch (const std::bad_alloc&) {
        if (command == kCommandFinish) state.fileMode = false;
        return 0;
    }
}

}  // namespace gx
