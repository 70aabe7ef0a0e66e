#include "entry/type1_session.h"

#include "entry/type1_dialogs.h"

#include <algorithm>
#include <string>

#include "support/charlist.h"
#include "support/strings.h"
#include "type1/charstring.h"
#include "type1/update.h"
#include "ui/dialogs.h"
#include "ui/ui_script.h"

namespace gx {
namespace {

Type1ExportSession g_session;

}  // namespace

namespace {

// The font the batch's previous save held, in place of reading the files; it is used once.
Type1ReadStatus readHeldType1Font(Type1ExportSession& s, std::string& error) {
    Type1ReadStatus read = Type1ReadStatus::Ok;
    if (s.heldIsReadBack)
        applyType1ReadBack(std::move(s.heldReadBack), s.font, s.settings);
    else
        read = readType1FontBytes(s.held.font, s.held.metrics, s.font, s.settings, error);
    s.held.drop();
    s.heldIsReadBack = false;
    return read;
}

}  // namespace

Type1SaveStatus saveOrHoldType1Font(Type1ExportSession& s, bool keepBackup, std::string& error) {
    if (!s.hold.holdSaves)
        return saveType1Font(s.font, s.settings, s.targetFileName, s.fontFile, keepBackup, error);
    // Within a batch the next export continues from what this save would read back as;
    // the last one writes. Where that cannot be told, from the files laid out in memory.
    bool certain = false;
    Type1Files files;
    // The state is dropped once it is held: the next export starts from the read-back.
    const Type1SaveStatus settled = type1ReadBackOfSave(
        s.font, s.settings, s.targetFileName, s.heldReadBack, certain, files, error, true);
    if (settled != Type1SaveStatus::Ok) return settled;
    s.held.valid = true;
    s.held.batch = s.hold.batch;
    s.held.path = s.targetFileName;
    s.held.stamp = s.hold.stamp;
    s.held.font = std::move(files.program);
    s.held.metrics = std::move(files.afm);
    s.heldIsReadBack = certain;
    return settled;
}

namespace {

// Saves the three files as the session holds them; the first save of an export keeps
// the previous program as ".bak". Shows what failed.
bool saveType1Files(Type1ExportSession& s, std::string& error) {
    const bool keepBackup = !s.newFont && !s.backupTaken;
    switch (saveOrHoldType1Font(s, keepBackup, error)) {
        case Type1SaveStatus::Ok:
            if (keepBackup) s.backupTaken = true;
            return true;
        case Type1SaveStatus::Failed:
            showType1Error(str::kType1CannotSave, error);
            return false;
        case Type1SaveStatus::FailedPartly:
            showType1Error(str::kType1CannotSavePartly, error);
            return false;
    }
    return false;
}

// True when the font files were written.
bool writeGlyph(Type1ExportSession& s) {
    if (!s.fontUsable) {
        showType1Error(str::kType1CannotRead);
        return false;
    }
    // A name the font cannot carry is refused rather than written with letters lost.
    if (!familyNameIsPlainAscii(s.settings.familyName)) {
        showType1Error(str::kType1FamilyNotAscii, "family name: " + s.settings.familyName);
        return false;
    }
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
            showType1Error(str::kType1GlyphTooLarge,
                           "the shape or its width reaches beyond -32768..32767 font units at "
                           "grid size " +
                               std::to_string(s.settings.gridSize) + " and design size " +
                               std::to_string(s.settings.designSize) + " thousandths of an inch");
            return false;
        case CharStringStatus::BadDesignSize:
            showType1Error(str::kType1GlyphTooLarge);
            return false;
    }
    std::string error;
    return saveType1Files(s, error);
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
    } else if (s.fontFile || s.hold.readHeld) {
        // A font that cannot be read completely is not saved: the save would replace it
        // with one built from half of it.
        std::string error;
        Type1ReadStatus read;
        if (s.hold.readHeld) {
            read = readHeldType1Font(s, error);
        } else {
            read = readExistingType1Font(*s.fontFile, s.targetFileName, s.font, s.settings, error);
        }
        switch (read) {
            case Type1ReadStatus::Ok:
                s.settings.charNumber = int16_t(offeredCodeAfter(s.settings.charNumber));
                break;
            case Type1ReadStatus::CannotRead:
                showType1Error(str::kType1CannotRead, s.targetFileName + ": " + error);
                usable = false;
                break;
            case Type1ReadStatus::Damaged:
                showType1Error(str::kType1Damaged, s.targetFileName + ": " + error);
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
            Type1DialogSession dialogSession(s);
            result = runExportDialogs(PluginKind::Type1, call, *record, s.newFont, dialogSession);
        }
        if (!dialogAccepted(result)) {
            s.cancelled = true;
        } else {
            // A new font is created by the save (an empty file at the path, held since
            // begin, is replaced by it); a failed save leaves every file as it was.
            settingsToSession(*record, s.settings);
            s.font.symbol = s.settings.symbolFont ? 1 : 0;
            writeExportSettings(PluginKind::Type1, ini, s.settings);
            if (!s.newFont && !s.fontFile && !s.hold.readHeld) {
                showType1Error(str::kCannotOpenType1);
            } else {
                written = writeGlyph(s);
            }
        }
    }
    // The lock on the font, old or new, ends with the export.
    s.closeFontFile();
    s.glyphWritten = written;
    s.outline.release();
    return written || s.cancelled ? 1 : 0;
}

}  // namespace

void showType1Error(int messageId, const std::string& detail) {
    showError(type1Traits(), messageId, detail);
}

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
    s.fontUsable = true;
    s.backupTaken = false;
    s.savedEarlier = false;
    s.glyphWritten = false;
    if (call.targetHandle != 0) {
        platform::closeSystemHandle(call.targetHandle);
        call.targetHandle = 0;
    }
    s.targetFileName = call.target && call.target->path ? call.target->path : "";
    call.prepared = 0;
    s.newFont = true;
    s.closeFontFile();
    s.hold = HoldPlan::decide(s.held, s.targetFileName, fileMode);
    bool ok = true;
    std::string detail;
    uint64_t device = 0, number = 0;
    if (s.hold.readHeld && (s.hold.holdSaves || !s.hold.stamp.exists)) {
        // The font is in memory; this export writes no file, or (the batch's last) creates it.
        s.newFont = false;
    } else if (s.hold.readHeld || platform::FontFile::exists(s.targetFileName)) {
        // Locked from here to the last rename of the save: no other export writes
        // between our read and our replace.
        s.fontFile = openType1ForUpdate(s.targetFileName, detail);
        if (!s.fontFile) {
            if (detail.empty())
                detail = s.targetFileName +
                         ": cannot be opened for writing, or another export is writing it";
            showType1Error(str::kCannotOpenType1, detail);
            ok = false;
        } else if (s.hold.readHeld || s.fontFile->seek(0, platform::SeekOrigin::End) > 0) {
            s.newFont = false;
            s.fontFile->seek(0, platform::SeekOrigin::Begin);
        }
        // An empty file is a new font; it stays held, and the save replaces it.
    } else if (!s.targetFileName.empty() &&
               platform::fileIdentity(s.targetFileName, device, number)) {
        showType1Error(str::kCannotOpenType1, s.targetFileName + ": not a regular file");
        ok = false;
    }
    call.targetHandle = 0;
    call.prepared = 0;
    return ok;
}

namespace {

bool validCode(int code) {
    return code >= 0 && code <= 255;
}

}  // namespace

bool type1HasGlyph(const Type1ExportSession& s, int code) {
    return validCode(code) && s.font.glyphPresent[size_t(code)] != 0;
}

bool type1DeleteMark(const Type1ExportSession& s, int code) {
    return validCode(code) && s.font.deleteMark[size_t(code)] != 0;
}

void type1SetDeleteMark(Type1ExportSession& s, int code, bool marked) {
    if (validCode(code)) s.font.deleteMark[size_t(code)] = marked ? 1 : 0;
}

int type1GlyphWidth(const Type1ExportSession& s, int code) {
    if (!validCode(code)) return 0;
    // Loaded character widths replace the font's own for 32..255 when it is written.
    if (s.font.charMetricsLoaded && code >= 32 && s.font.loadedWidthSet[size_t(code)])
        return s.font.loadedWidths[size_t(code)];
    return s.font.widths[size_t(code)];
}

void type1SetGlyphWidth(Type1ExportSession& s, int code, int width) {
    if (!validCode(code)) return;
    const int16_t w = int16_t(std::max(-32768, std::min(32767, width)));
    s.font.widths[size_t(code)] = w;
    if (s.font.charMetricsLoaded && s.font.loadedWidthSet[size_t(code)])
        s.font.loadedWidths[size_t(code)] = w;
}

Type1MetricsSnapshot type1TakeSnapshot(const Type1ExportSession& s) {
    const Type1FontState& f = s.font;
    Type1MetricsSnapshot m;
    m.widths = f.widths;
    m.glyphPresent = f.glyphPresent;
    m.deleteMark = f.deleteMark;
    m.loadedWidths = f.loadedWidths;
    m.loadedWidthSet = f.loadedWidthSet;
    m.ascender = f.ascender;
    m.descender = f.descender;
    m.capHeight = f.capHeight;
    m.xHeight = f.xHeight;
    m.italicAngle = f.italicAngle;
    m.underlinePosition = f.underlinePosition;
    m.underlineThickness = f.underlineThickness;
    m.charMetricsLoaded = f.charMetricsLoaded;
    m.kernPairsLoaded = f.kernPairsLoaded;
    m.newGlyphPending = f.newGlyphPending;
    m.kerningPairs = f.kerningPairs;
    return m;
}

void type1RestoreSnapshot(Type1ExportSession& s, const Type1MetricsSnapshot& m) {
    Type1FontState& f = s.font;
    f.widths = m.widths;
    f.glyphPresent = m.glyphPresent;
    f.deleteMark = m.deleteMark;
    f.loadedWidths = m.loadedWidths;
    f.loadedWidthSet = m.loadedWidthSet;
    f.ascender = m.ascender;
    f.descender = m.descender;
    f.capHeight = m.capHeight;
    f.xHeight = m.xHeight;
    f.italicAngle = m.italicAngle;
    f.underlinePosition = m.underlinePosition;
    f.underlineThickness = m.underlineThickness;
    f.charMetricsLoaded = m.charMetricsLoaded;
    f.kernPairsLoaded = m.kernPairsLoaded;
    f.newGlyphPending = m.newGlyphPending;
    f.kerningPairs = m.kerningPairs;
}

void type1SetAddGlyph(Type1ExportSession& s, bool add) {
    s.font.newGlyphPending = add ? 1 : 0;
}

void type1ApplySettings(Type1ExportSession& s, const FontExportSettings& record) {
    settingsToSession(record, s.settings);
    s.font.symbol = s.settings.symbolFont ? 1 : 0;
}

bool type1ReloadFont(Type1ExportSession& s, std::string& error) {
    if (s.newFont) {
        error = "there is no existing font to read";
        return false;
    }
    // Metrics loaded from a file are no part of the font program: they carry over.
    const Type1MetricsSnapshot loaded = type1TakeSnapshot(s);
    s.font.reset();
    s.fontUsable = false;
    if (s.hold.holdSaves) {
        // Within a batch the save kept the font in memory.
        if (!s.held.valid) {
            error = "the font cannot be read again";
            return false;
        }
        if (readHeldType1Font(s, error) != Type1ReadStatus::Ok) return false;
    } else {
        // The save leaves the new font open and locked; read that one, so no other export
        // comes between this save and the final one.
        if (!s.fontFile) s.fontFile = openType1ForUpdate(s.targetFileName, error);
        if (!s.fontFile) {
            error = "the font cannot be opened again";
            return false;
        }
        if (readExistingType1Font(*s.fontFile, s.targetFileName, s.font, s.settings, error) !=
            Type1ReadStatus::Ok)
            return false;
    }
    if (loaded.charMetricsLoaded) {
        Type1FontState& f = s.font;
        f.charMetricsLoaded = 1;
        f.loadedWidths = loaded.loadedWidths;
        f.loadedWidthSet = loaded.loadedWidthSet;
        f.ascender = loaded.ascender;
        f.descender = loaded.descender;
        f.capHeight = loaded.capHeight;
        f.xHeight = loaded.xHeight;
        f.italicAngle = loaded.italicAngle;
        f.underlinePosition = loaded.underlinePosition;
        f.underlineThickness = loaded.underlineThickness;
    }
    s.font.newGlyphPending = 1;
    s.fontUsable = true;
    return true;
}

bool type1SaveFontNow(Type1ExportSession& s, std::string& error, int* messageId) {
    int unused = 0;
    int& message = messageId ? *messageId : unused;
    message = str::kType1CannotSave;
    if (s.newFont || !s.fontUsable) {
        error = "there is no existing font to save";
        return false;
    }
    // The save settles metrics in the state; a failed save must leave it as it was.
    // The glyph of this export is not built yet, so it cannot be part of this save.
    const Type1FontState before = s.font;
    s.font.newGlyphPending = 0;
    const bool keepBackup = !s.backupTaken;
    const Type1SaveStatus saved = saveOrHoldType1Font(s, keepBackup, error);
    if (saved != Type1SaveStatus::Ok) {
        s.font = before;
        // Files not all put back: what is in memory no longer matches them.
        if (saved == Type1SaveStatus::FailedPartly) {
            s.fontUsable = false;
            message = str::kType1CannotSavePartly;
        }
        if (!s.fontFile && !s.hold.holdSaves) {
            std::string why;
            s.fontFile = openType1ForUpdate(s.targetFileName, why);
            if (!s.fontFile) s.fontUsable = false;
        }
        return false;
    }
    if (keepBackup) s.backupTaken = true;
    s.savedEarlier = true;
    message = str::kType1SavedNotReread;
    return type1ReloadFont(s, error);
}

Type1MetricsLoad type1LoadMetrics(Type1ExportSession& s, const std::string& afmPath, int gridSize) {
    Type1MetricsLoad result;
    SessionSettings settings = s.settings;
    if (gridSize > 0 && gridSize <= 65535) settings.gridSize = uint16_t(gridSize);
    // Read into a copy: a file refused half way through changes nothing.
    Type1FontState trial = s.font;
    if (!loadAfmMetrics(afmPath, trial, settings, result.error)) {
        showType1Error(str::kType1UnsupportedMetrics, result.error);
        return result;
    }
    s.font = std::move(trial);
    result.loaded = true;
    result.characterMetrics = s.font.charMetricsLoaded != 0;
    if (result.characterMetrics)
        result.spaceWidth =
            s.font.loadedWidthSet[32] ? s.font.loadedWidths[32] : s.settings.spaceWidth;
    return result;
}

int32_t finishType1Export(HostExportCall& call, bool /*fileMode*/) {
    Type1ExportSession& s = g_session;
    int32_t result = 0;
    s.cancelled = false;
    s.glyphWritten = false;
    if (!s.aborted) result = runType1Session(call);
    releaseHostValue(call);
    destroySettingsRecord(call);
    platform::reportExportOutcome(s.glyphWritten ? platform::ExportOutcome::Written
                                  : s.cancelled && !scriptStoppedAtError()
                                      ? platform::ExportOutcome::Cancelled
                                      : platform::ExportOutcome::Failed,
                                  s.savedEarlier, s.settings.charNumber);
    return result;
}

}  // namespace gx
