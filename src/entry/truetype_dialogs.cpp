#include "entry/truetype_dialogs.h"

#include "support/strings.h"
#include "truetype/truetype.h"
#include "ui/afm_import.h"

namespace gx {
namespace {

bool validCode(int code) {
    return code >= 0 && code < 256;
}

struct TrueTypeSnapshot : DialogSession::Snapshot {
    SessionSettings settings;
    std::array<uint16_t, tt::kMaxGlyphs> advanceWidths;
    std::array<uint16_t, 256> charToGlyph;
    std::array<uint8_t, tt::kMaxGlyphs> glyphToChar;
    std::array<bool, 256> deleteMark;
    tt::ImportedMetrics imported;
};

}  // namespace

bool TrueTypeDialogSession::hasGlyph(int code) const {
    return validCode(code) && s_.font.charToGlyph[size_t(code)] != 0;
}

bool TrueTypeDialogSession::deleteMark(int code) const {
    return validCode(code) && s_.font.deleteMark[size_t(code)];
}

void TrueTypeDialogSession::setDeleteMark(int code) {
    if (validCode(code)) s_.font.deleteMark[size_t(code)] = true;
}

int TrueTypeDialogSession::glyphWidth(int code) const {
    if (!hasGlyph(code)) return 0;
    return s_.font.advanceWidths[s_.font.charToGlyph[size_t(code)]];
}

void TrueTypeDialogSession::setGlyphWidth(int code, int width) {
    // Glyph 0 is never given a character's width.
    if (!hasGlyph(code) || width < 0 || width > 0xFFFF) return;
    s_.font.advanceWidths[s_.font.charToGlyph[size_t(code)]] = uint16_t(width);
    // An import's width table would overwrite the edit when the font is written.
    if (s_.font.imported.characterMetrics) s_.font.imported.widths[size_t(code)] = int16_t(width);
}

std::unique_ptr<DialogSession::Snapshot> TrueTypeDialogSession::takeSnapshot() const {
    auto snap = std::make_unique<TrueTypeSnapshot>();
    snap->settings = s_.settings;
    snap->advanceWidths = s_.font.advanceWidths;
    snap->charToGlyph = s_.font.charToGlyph;
    snap->glyphToChar = s_.font.glyphToChar;
    snap->deleteMark = s_.font.deleteMark;
    snap->imported = s_.font.imported;
    return snap;
}

void TrueTypeDialogSession::restoreSnapshot(const Snapshot& snapshot) {
    const auto& snap = static_cast<const TrueTypeSnapshot&>(snapshot);
    s_.settings = snap.settings;
    s_.font.advanceWidths = snap.advanceWidths;
    s_.font.charToGlyph = snap.charToGlyph;
    s_.font.glyphToChar = snap.glyphToChar;
    s_.font.deleteMark = snap.deleteMark;
    s_.font.imported = snap.imported;
}

void TrueTypeDialogSession::applySettings(const FontExportSettings& settings) {
    settingsToSession(settings, s_.settings);
}

bool TrueTypeDialogSession::saveFontNow() {
    s_.font.timestamp = fontTimestamp();
    if (!saveTrueTypeFont(s_)) return false;
    s_.savedEarlier = true;
    return true;
}

bool TrueTypeDialogSession::reloadFont() {
    // An import stays in force for the final save: its pairs are by character code, so
    // they also reach a glyph that this export replaces.
    tt::ImportedMetrics imported = s_.font.imported;
    s_.font.releaseFontBuffers();
    // The save left the new font open and locked: read that one, so that no other
    // export can come between this save and the final one.
    std::vector<uint8_t> bytes;
    if (s_.hold.holdSaves) {
        // Within a batch the save kept the font in memory.
        if (!s_.held.valid) return false;
        bytes = std::move(s_.held.font);
        s_.held.drop();
    } else if (!s_.fontFile || !tt::loadFontBytes(*s_.fontFile, bytes)) {
        return false;
    }
    // The font-wide values come back from the file; the dialogs' record is left alone.
    SessionSettings reread = s_.settings;
    if (tt::readExistingFont(std::move(bytes), s_.font, reread, s_.hold.holdSaves) !=
        tt::ReadStatus::Ok)
        return false;
    s_.font.imported = std::move(imported);
    s_.settings.gridSize = reread.gridSize;
    s_.settings.spaceWidth = reread.spaceWidth;
    return true;
}

MetricsLoad TrueTypeDialogSession::loadFontMetrics(const std::string& path, int gridSize) {
    MetricsLoad result;
    FontMetricsImport imp = importFontMetrics(path, gridSize);
    tt::ImportedMetrics& to = s_.font.imported;
    if (!imp.ok) {
        result.status = MetricsLoad::Failed;
        return result;
    }
    to.ascender = imp.ascender;
    to.descender = imp.descender;
    to.italicAngle = imp.italicAngle;
    to.underlinePosition = imp.underlinePosition;
    to.underlineThickness = imp.underlineThickness;
    if (imp.fixedWidth) {
        to.fixedWidth = true;
        for (uint16_t g = 1; g < s_.font.numGlyphs; ++g)
            s_.font.advanceWidths[g] = uint16_t(std::max<int>(imp.fixedAdvance, 0));
    }
    if (imp.characterMetrics) {
        to.characterMetrics = true;
        mergeImportedWidths(imp, to.widths);
        for (int code = 0; code < 256; ++code)
            if (imp.widthSet[size_t(code)]) to.widthSet[size_t(code)] = true;
    }
    if (imp.kerning) {
        to.kerning = true;
        to.pairs = imp.kerningPairs;
    }
    result.status = MetricsLoad::Loaded;
    result.characterMetrics = imp.characterMetrics;
    result.spaceWidth = to.widthSet[32] ? to.widths[32] : int16_t(s_.settings.spaceWidth);
    return result;
}

}  // namespace gx
