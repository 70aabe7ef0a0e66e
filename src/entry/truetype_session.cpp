// The TrueType plug-in's driver: resolve and open the target at begin; at finish read
// the font, choose the code, build and insert the glyph, save, and in symbol mode
// make the font known to the system.
#include "entry/truetype_session.h"

#include "entry/truetype_dialogs.h"

#include <cstdlib>
#include <ctime>
#include <new>

#include "install/install.h"
#include "platform/save.h"
#include "support/strings.h"
#include "truetype/truetype.h"
#include "ui/dialogs.h"
#include "ui/ui_script.h"

namespace gx {
namespace {

TrueTypeSession g_session;
int64_t (*g_clock)() = nullptr;

std::string iniPathOf(const HostExportCall& call) {
    return call.iniPath ? call.iniPath : "";
}

void showTrueTypeError(int messageId, const std::string& detail = {}) {
    showError(truetypeTraits(), messageId, detail);
}

int outlineMessage(int status) {
    switch (status) {
        case tt::kOutlineOutOfRange:
            return str::kObjectOutOfRange;
        case tt::kOutlineTooComplex:
            return str::kCurveTooComplex;
        default:
            return str::kOutOfMemory;
    }
}

}  // namespace

ExportSessionBase& trueTypeSession() {
    return g_session;
}
TrueTypeSession& trueTypeExportSession() {
    return g_session;
}

void setFontClock(int64_t (*secondsSince1970)()) {
    g_clock = secondsSince1970;
}

int64_t fontTimestamp() {
    int64_t seconds = 0;
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (g_clock) {
        seconds = g_clock();
    } else if (epoch && *epoch) {
        for (const char* p = epoch; *p >= '0' && *p <= '9' && seconds < (int64_t(1) << 40); ++p)
            seconds = seconds * 10 + (*p - '0');
    } else {
        seconds = int64_t(std::time(nullptr));
    }
    return seconds + tt::kSecondsFrom1904To1970;
}

bool saveTrueTypeFont(TrueTypeSession& s) {
    std::string detail;
    const bool makeBackup = !s.newFont && !s.backupTaken;
    tt::SaveStatus saved;
    if (s.hold.holdSaves) {
        // Within a batch the next export continues from these bytes; the last one writes.
        std::vector<uint8_t> bytes;
        saved = tt::layOutFont(s.font, s.settings, bytes, detail);
        if (saved == tt::SaveStatus::Ok) {
            s.held.valid = true;
            s.held.batch = s.hold.batch;
            s.held.path = s.targetFileName;
            s.held.stamp = s.hold.stamp;
            s.held.font = std::move(bytes);
        }
    } else {
        // An installed font's backup goes where the system's font lists do not look.
        saved =
            tt::saveFontFile(s.font, s.settings, s.fontFile, s.targetFileName, makeBackup, detail,
                             s.fileMode ? std::string() : install::backupPathFor(s.targetFileName));
    }
    switch (saved) {
        case tt::SaveStatus::Ok:
            if (makeBackup) s.backupTaken = true;
            return true;
        case tt::SaveStatus::TooManyGlyphs:
            showTrueTypeError(str::kFontTooComplex);
            return false;
        case tt::SaveStatus::Failed:
            showTrueTypeError(str::kFontNotSaved, detail);
            return false;
        case tt::SaveStatus::FailedPartly:
            showTrueTypeError(str::kFontNotSavedPartly, detail);
            return false;
    }
    return false;
}

bool prepareTrueTypeExport(HostExportCall& call, bool fileMode) {
    TrueTypeSession& s = g_session;
    s.aborted = 0;
    call.field120 = 0;
    s.fileMode = fileMode;
    // A fresh font state; the imported per-character widths live as long as the plug-in.
    tt::ImportedMetrics imported = std::move(s.font.imported);
    imported.clearFlags();
    s.font = tt::FontFileState{};
    s.font.imported = std::move(imported);
    s.font.addGlyph = true;
    s.converted.release();
    s.registered = false;
    s.createdFile = false;
    s.backupTaken = false;
    s.savedEarlier = false;
    s.closeFontFile();

    if (call.targetHandle != 0) {
        platform::closeSystemHandle(call.targetHandle);
        call.targetHandle = 0;
    }

    const char* named = call.target ? call.target->path : nullptr;
    bool exists = false;
    if (!fileMode) {
        s.hold = HoldPlan::decide(s.held, std::string(), false);
        s.familyName = std::string(named ? named : "").substr(0, kMaxFamilyNameInSession);
        s.installedName = s.familyName;
        const install::InstalledFont found =
            install::locateInstalledFont(s.familyName, iniPathOf(call));
        if (!found.found) {
            showTrueTypeError(str::kNoFontsDirectory);
            call.prepared = 0;
            return false;
        }
        s.installedPath = found.path;
        s.registered = found.registered;
        if (s.registered) install::unloadFontResource(s.installedPath);
        s.targetFileName = s.installedPath;
        // Only a registered family counts as existing; any other file of that name is replaced.
        exists = s.registered;
    } else {
        s.targetFileName = named ? named : "";
        s.hold = HoldPlan::decide(s.held, s.targetFileName, true);
        exists = s.hold.readHeld || platform::FontFile::exists(s.targetFileName);
    }
    s.newFont = !exists;

    std::string detail;
    uint64_t device = 0, number = 0;
    if (s.hold.readHeld && (s.hold.holdSaves || !s.hold.stamp.exists)) {
        // The font is in memory; this export writes no file, or (the batch's last) creates it.
    } else if (exists) {
        // Locked from here to the last rename of the save: no other export writes
        // between our read and our replace.
        s.fontFile = platform::openForUpdate(s.targetFileName, tt::kTempPrefix,
                                             {tt::backupName(s.targetFileName)}, detail);
        if (!s.fontFile && detail.empty())
            detail = s.targetFileName +
                     ": cannot be opened for writing, or another export is "
                     "writing it";
    } else if (!s.targetFileName.empty() &&
               platform::fileIdentity(s.targetFileName, device, number)) {
        // Something that is not a file stands at the path (a folder, a device).
        detail = s.targetFileName + ": not a regular file";
    } else if (!fileMode) {
        s.fontFile = platform::FontFile::open(s.targetFileName,
                                              platform::OpenMode::CreateReadWriteDenyWrite);
        s.createdFile = s.fontFile != nullptr;
    }
    const bool usable = s.fontFile || s.hold.readHeld ||
                        (fileMode && !exists && detail.empty() && !s.targetFileName.empty());
    if (!usable) {
        if (!fileMode && s.registered) install::loadFontResource(s.installedPath);
        showTrueTypeError(str::kCannotOpenTrueType, detail);
    }
    call.targetHandle = 0;
    call.prepared = 0;
    return usable;
}

bool runTrueTypeSession(TrueTypeSession& s, HostExportCall& call) {
    int status = 0;
    tt::FontFileState& font = s.font;
    s.converted.release();
    s.settings = defaultSettings(PluginKind::TrueType);
    if (!s.fileMode) s.settings.familyName = s.familyName;
    s.cancelled = false;

    if (!s.newFont) {
        std::vector<uint8_t> bytes;
        bool loaded = false;
        if (s.hold.readHeld) {
            bytes = std::move(s.held.font);
            s.held.drop();
            loaded = true;
        } else {
            loaded = s.fontFile && tt::loadFontBytes(*s.fontFile, bytes);
        }
        const tt::ReadStatus read =
            loaded ? tt::readExistingFont(std::move(bytes), font, s.settings, s.hold.readHeld)
                   : tt::ReadStatus::ReadFailed;
        if (read == tt::ReadStatus::TooComplex) {
            showTrueTypeError(str::kFontTooComplex);
            s.closeFontFile();
            s.aborted = 1;
            status = 3;
        } else if (read != tt::ReadStatus::Ok) {
            showTrueTypeError(str::kFontDamaged);
            // Where the font was damaged already: nothing was written over it.
            if (read == tt::ReadStatus::Malformed && !font.problem.empty())
                platform::reportDetail(s.targetFileName + ": " + font.problem +
                                       "; the file was left as it was");
            status = 3;
        }
    }

    if (status == 0 && !s.fileMode) {
        const int code = tt::findFreeCode(font);
        if (code == 0) {
            showTrueTypeError(str::kFontFull);
            s.closeFontFile();
            s.aborted = 1;
            status = 4;
        } else {
            s.settings.charNumber = int16_t(code);
        }
    } else if (status == 0) {
        readExportSettings(PluginKind::TrueType, iniPathOf(call), s.newFont, s.settings);
        FontExportSettings* record = nullptr;
        try {
            record = settingsRecord(call);
        } catch (const std::bad_alloc&) {
            record = nullptr;
        }
        int result = kDialogFailed;
        if (record) {
            *record = settingsFromSession(s.settings, !s.newFont);
            if (call.target) {
                s.originX = hostUnitsToThousandths(call.target->originX);
                s.originY = hostUnitsToThousandths(call.target->originY);
            }
            TrueTypeDialogSession dialogSession(s);
            result =
                runExportDialogs(PluginKind::TrueType, call, *record, s.newFont, dialogSession);
        }
        if (!dialogAccepted(result)) {
            s.cancelled = true;
            status = 1;
        } else {
            // A new font in file mode is created by the save, which never replaces a
            // file that appeared at the path meanwhile.
            settingsToSession(*record, s.settings);
            writeExportSettings(PluginKind::TrueType, iniPathOf(call), s.settings);
            // Choosing a code that holds a glyph replaces that glyph (the dialog asked).
            const int code = s.settings.charNumber;
            if (code >= 0 && code < 256 && font.charToGlyph[size_t(code)] != 0)
                font.deleteMark[size_t(code)] = true;
        }
    }

    if (status == 0) {
        tt::PlacementParams params;
        params.gridSize = s.settings.gridSize;
        if (s.fileMode) {
            params.mode = tt::Placement::Fixed;
            params.designSize = s.settings.designSize;
            params.originX = s.originX;
            params.originY = s.originY;
        }
        const int built = tt::buildConvertedOutline(s.outline, params, s.converted);
        if (built != tt::kOutlineOk) {
            showTrueTypeError(outlineMessage(built));
            status = 6;
        } else if (s.converted.contourCount() == 0 || s.converted.points.empty()) {
            // No nodes, or none that draws: the glyph would be nothing with width 0.
            showTrueTypeError(str::kObjectEmpty);
            status = 6;
        }
    }
    s.outline.release();

    if (status == 0) {
        const int built = tt::buildNewGlyph(s.converted, font.newGlyph);
        if (built == tt::kOutlineOk) {
            font.timestamp = fontTimestamp();
            if (!saveTrueTypeFont(s)) status = 7;
        } else {
            showTrueTypeError(outlineMessage(built));
            status = 6;
        }
    }
    if (s.fontFile) s.closeFontFile();
    // A file this export created but did not fill is not left behind.
    if (status != 0 && s.createdFile && s.newFont) platform::deleteFile(s.targetFileName);
    s.createdFile = false;

    font.releaseFontBuffers();
    s.converted.release();
    return status == 0;
}

int32_t finishTrueTypeExport(HostExportCall& call, bool fileMode) {
    TrueTypeSession& s = g_session;
    bool ok = false;
    s.cancelled = false;
    if (!s.aborted) {
        try {
            ok = runTrueTypeSession(s, call);
        } catch (const std::bad_alloc&) {
            showTrueTypeError(str::kOutOfMemory);
            ok = false;
        }
    }
    s.outline.release();
    s.closeFontFile();
    if (s.createdFile && s.newFont) platform::deleteFile(s.targetFileName);
    s.createdFile = false;
    releaseHostValue(call);
    destroySettingsRecord(call);
    if (!fileMode && (ok || s.registered)) {
        install::loadFontResource(s.installedPath);
        const bool recorded = install::registerFontValue(s.installedName, s.installedPath);
        install::broadcastFontChange();
        // The font is written, but a symbol font that no program can find is no success.
        if (ok && !recorded) {
            showTrueTypeError(str::kFontNotRegistered);
            ok = false;
        }
    }
    platform::reportExportOutcome(ok ? platform::ExportOutcome::Written
                                  : s.cancelled && !scriptStoppedAtError()
                                      ? platform::ExportOutcome::Cancelled
                                      : platform::ExportOutcome::Failed,
                                  s.savedEarlier, s.settings.charNumber);
    return ok || s.cancelled ? 1 : 0;
}

}  // namespace gx
