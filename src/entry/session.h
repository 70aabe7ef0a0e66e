// The per-export state both plug-ins share, and the protocol pieces built on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entry/held_font.h"
#include "entry/host_abi.h"
#include "platform/platform.h"
#include "support/glyph_outline.h"
#include "ui/settings.h"

namespace gx {

struct ExportSessionBase {
    // capture
    uint16_t objectCount = 0;
    int32_t aborted = 0;
    GlyphOutline outline;
    // driver
    std::string targetFileName;
    std::string familyName;  // session copy lives in settings.familyName
    bool newFont = false;
    bool cancelled = false;
    bool fileMode = false;  // the mode as it stood when begin ran
    int32_t originX = 0;    // thousandths of an inch
    int32_t originY = 0;
    std::unique_ptr<platform::FontFile> fontFile;
    SessionSettings settings;
    // The first save of an export turns the previous font into the ".bak"; later saves
    // of the same export keep that backup.
    bool backupTaken = false;
    // The extended Options dialog's immediate save changed the font in this export.
    bool savedEarlier = false;
    // During a batch: the font the previous export saved, and how this export uses it.
    HeldFont held;
    HoldPlan hold;

    void closeFontFile() {
        if (fontFile) fontFile->close();
        fontFile.reset();
    }
};

// What tells the two plug-ins apart at the protocol level.
struct PluginTraits {
    PluginKind kind;
    int captionId;  // string-table id of the message caption
    uint16_t codeAlreadyAborted;
    uint16_t codeTooManyObjects;
    uint16_t codeNotClosed;
};

const PluginTraits& truetypeTraits();
const PluginTraits& type1Traits();

// The per-object callback's body (the exported trampoline passes the plug-in's session).
uint16_t captureObject(ExportSessionBase& session, const PluginTraits& traits,
                       const int32_t* points, const uint8_t* types, int32_t count);

// The closed-path test over node-type bytes.
bool outlineIsClosed(const uint8_t* types, int32_t count);

// The plug-in's half of the protocol: preparation and finish.
struct PluginDriver {
    bool (*prepare)(HostExportCall& call, bool fileMode);
    int32_t (*finish)(HostExportCall& call, bool fileMode);
    ExportSessionBase& (*session)();
    CaptureObjectFn captureObject;
};

// Module state kept between FilterEntry calls.
struct FilterEntryState {
    bool firstCall = true;
    bool fileMode = false;
};

int32_t runFilterEntry(FilterEntryState& state, const PluginDriver& driver, int32_t command,
                       HostExportCall* call);

// Shows a refusal or failure with the plug-in's caption, error icon, no owner; a
// detail goes on a line of its own (platform::reportDetail).
void showError(const PluginTraits& traits, int messageId, const std::string& detail = {});

// Finish steps shared by both drivers: release the host's value and drop the settings record.
void releaseHostValue(HostExportCall& call);
FontExportSettings* settingsRecord(HostExportCall& call);  // creates it when the slot is empty
void destroySettingsRecord(HostExportCall& call);

// Host units (254000 per inch) to thousandths of an inch, truncated toward zero.
inline int32_t hostUnitsToThousandths(int32_t v) {
    return v / 254;
}

}  // namespace gx
