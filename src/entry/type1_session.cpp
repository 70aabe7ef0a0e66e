#include "entry/type1_session.h"

#include <string>

#include "support/strings.h"
#include "type1/charstring.h"
#include "type1/update.h"
#include "ui/dialogs.h"

namespace gx {
namespace {

Type1ExportSession g_session;

void showType1Error(int messageId, const std::string& detail = std::string()) {
    std::string text = platform::loadString(messageId);
    if (!detail.empty()) text += " (" + detail + ")";
    platform::messageBox(text.c_str(), platform::loadString(str::kCaptionType1),
                         platform::kMbOk | platform::kMbIconError);
}

// True when the font files were written.
bool writeGlyph(Type1ExportSession& s) {
    CharStringStatus built =
        buildCharString(s.font, s.settings, s.originX, s.originY, s.outline.points.data(),
                        s.outline.types.data(), s.outline.count);
    switch (built) {
        case CharStringStatus::Ok:
            break;
        case CharStringStatus::TooLong:
            showType1Error(str::kType1GlyphTooComplex);
            return false;
        case CharStringStatus::BadCharCode:
            showType1Error(str::kType1BadCharCode);
            return false;
        case CharStringStatus::OutOfRange:
        case CharStringStatus::BadDesignSize:
            showType1Error(str::kType1GlyphTooLarge);
            return false;
    }
    std::string error;
    if (!saveType1Font(s.font, s.settings, s.targetFileName, s.fontFile, !s.newFont, error)) {
        showType1Error(str::kType1CannotSave, error);
        return false;
    }
    return true;
}

int32_t runType1Session(HostExportCall& call) {
    Type1ExportSession& s = g_session;
    const std::string ini = call.iniPath ? call.iniPath : "";
    s.cancelled = false;
    s.font.symbol = 1;
    s.settings = defaultSettings(PluginKind::Type1);
    readExportSettings(PluginKind::Type1, ini, s.newFont, s.settings);
    bool written = false;
    bool usable = true;
    if (s.newFont) {
        s.font.symbol = s.settings.symbolFont;
    } else if (s.fontFile) {
        // A font that cannot be read completely is not saved: the save would replace it
        // with one built from half of it.
        std::string error;
        switch (readExistingType1Font(*s.fontFile, s.targetFileName, s.font, s.settings, error)) {
            case Type1ReadStatus::Ok:
                s.settings.charNumber = int16_t(s.settings.charNumber + 1);
                if (s.settings.charNumber > 255) s.settings.charNumber = 33;
                break;
            case Type1ReadStatus::BadProgram:
                showType1Error(str::kType1CannotRead, error);
                usable = false;
                break;
            case Type1ReadStatus::BadMetrics:
                showType1Error(str::kType1UnsupportedMetrics, error);
                usable = false;
                break;
        }
    } else {
        usable = false;
    }
    // A remembered code may come from an edited INI file.
    if (s.settings.charNumber < 33 || s.settings.charNumber > 255) s.settings.charNumber = 33;

    if (usable) {
        FontExportSettings* record = settingsRecord(call);
        int result = kDialogFailed;
        if (record) {
            *record = settingsFromSession(s.settings, !s.newFont);
            if (call.target) {
                s.originX = hostUnitsToThousandths(call.target->originX);
                s.originY = hostUnitsToThousandths(call.target->originY);
            }
            result = runExportDialogs(PluginKind::Type1, call, *record, s.newFont);
        }
        if (!dialogAccepted(result)) {
            s.cancelled = true;
        } else {
            if (s.newFont) {
                s.fontFile = platform::FontFile::open(s.targetFileName,
                                                      platform::OpenMode::CreateReadWriteDenyWrite);
                s.createdTarget = s.fontFile != nullptr;
            }
            settingsToSession(*record, s.settings);
            s.font.symbol = s.settings.symbolFont ? 1 : 0;
            writeExportSettings(PluginKind::Type1, ini, s.settings);
            if (!s.fontFile) {
                showType1Error(str::kCannotOpenType1);
            } else {
                written = writeGlyph(s);
            }
        }
    }
    if (!written) {
        s.closeFontFile();
        // A file this export created and could not fill is not left behind empty.
        if (s.createdTarget) platform::deleteFile(s.targetFileName);
    }
    s.createdTarget = false;
    s.outline.release();
    return written || s.cancelled ? 1 : 0;
}

}  // namespace

ExportSessionBase& type1Session() {
    return g_session;
}
Type1ExportSession& type1ExportSession() {
    return g_session;
}

bool prepareType1Export(HostExportCall& call, bool fileMode) {
    Type1ExportSession& s = g_session;
    s.aborted = 0;
    s.objectCount = 0;
    s.fileMode = fileMode;
    call.field120 = 0;
    s.font.reset();
    s.createdTarget = false;
    if (call.targetHandle != 0) {
        platform::closeSystemHandle(call.targetHandle);
        call.targetHandle = 0;
    }
    s.targetFileName = call.target && call.target->path ? call.target->path : "";
    call.prepared = 0;
    s.newFont = true;
    s.closeFontFile();
    bool ok = true;
    s.fontFile = platform::FontFile::open(s.targetFileName, platform::OpenMode::ReadWriteDenyWrite);
    if (s.fontFile) {
        // An empty file is a new font, created again after the dialogs.
        if (s.fontFile->seek(0, platform::SeekOrigin::End) > 0) {
            s.newFont = false;
            s.fontFile->seek(0, platform::SeekOrigin::Begin);
        } else {
            s.closeFontFile();
        }
    } else if (platform::FontFile::exists(s.targetFileName)) {
        showError(type1Traits(), str::kCannotOpenType1);
        ok = false;
    }
    call.targetHandle = 0;
    call.prepared = 0;
    return ok;
}

int32_t finishType1Export(HostExportCall& call, bool /*fileMode*/) {
    Type1ExportSession& s = g_session;
    int32_t result = 0;
    if (!s.aborted) result = runType1Session(call);
    releaseHostValue(call);
    destroySettingsRecord(call);
    return result;
}

}  // namespace gx
