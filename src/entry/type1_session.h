// The Type 1 plug-in's preparation and finish.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "entry/session.h"
#include "type1/font_state.h"
#include "type1/update.h"

namespace gx {

// One export of the Type 1 plug-in: the shared driver members and the font's state.
struct Type1ExportSession : ExportSessionBase {
    Type1FontState font;
    bool glyphWritten = false;  // the finish command wrote the font files
    // False once the font in memory no longer matches the file (a re-read after an
    // immediate save failed); the export then writes nothing.
    bool fontUsable = true;
    // Within a batch, what the held font reads back as (when `heldIsReadBack`), so that
    // the next export neither lays the files out nor reads them.
    Type1ReadBack heldReadBack;
    bool heldIsReadBack = false;
};

bool prepareType1Export(HostExportCall& call, bool fileMode);
int32_t finishType1Export(HostExportCall& call, bool fileMode);
ExportSessionBase& type1Session();
// Shows a failure under "Adobe Type 1 Export": the message, then what went wrong.
void showType1Error(int messageId, const std::string& detail = std::string());
// The module-level session with its font state (the dialogs and tests reach it here).
Type1ExportSession& type1ExportSession();

// ---- What the export dialogs ask of the session, per character code (0..255; any
// other code has no glyph, no mark and no width, and setting it does nothing).
bool type1HasGlyph(const Type1ExportSession& s, int code);
bool type1DeleteMark(const Type1ExportSession& s, int code);
void type1SetDeleteMark(Type1ExportSession& s, int code, bool marked);
// The advance width the code's glyph gets when the font is written, in font units:
// the loaded metrics' width when a metrics file supplied character widths.
int type1GlyphWidth(const Type1ExportSession& s, int code);
void type1SetGlyphWidth(Type1ExportSession& s, int code, int width);

// The part of the font state the extended Options dialog may change (delete marks,
// widths, loaded metrics, kerning), copied when it opens and put back on Cancel.
struct Type1MetricsSnapshot {
    std::array<int16_t, 256> widths{}, glyphPresent{}, deleteMark{}, loadedWidths{},
        loadedWidthSet{};
    int16_t ascender = 0, descender = 0, capHeight = 0, xHeight = 0;
    int16_t italicAngle = 0, underlinePosition = 0, underlineThickness = 0;
    int16_t charMetricsLoaded = 0, kernPairsLoaded = 0, newGlyphPending = 1;
    std::vector<KerningPair> kerningPairs;
};
Type1MetricsSnapshot type1TakeSnapshot(const Type1ExportSession& s);
void type1RestoreSnapshot(Type1ExportSession& s, const Type1MetricsSnapshot& snapshot);

// Whether the save adds the captured glyph.
void type1SetAddGlyph(Type1ExportSession& s, bool add);
// The dialog's values become the session's (the symbol switch included).
void type1ApplySettings(Type1ExportSession& s, const FontExportSettings& record);

// Options of an existing font accepted: the font is written now without the new glyph
// (deleted and re-measured characters applied, ".bak" kept) and read again, so that
// the dialog goes on with the font as it now is. False with `error` set when the save
// failed (the files are as they were, the state too) or the re-read failed (the
// session then writes nothing more).
// `messageId`, when given, receives the string-table message that says what failed.
bool type1SaveFontNow(Type1ExportSession& s, std::string& error, int* messageId = nullptr);
// Opens the font file again and reads it afresh (metrics loaded from a file carry
// over); the save above ends with it. False with `error` set when that failed; the
// session then writes nothing more.
bool type1ReloadFont(Type1ExportSession& s, std::string& error);

// Saves the three files (with `keepBackup` the replaced program becomes the ".bak"), or
// within a batch keeps them in memory for the next export (HeldFont).
Type1SaveStatus saveOrHoldType1Font(Type1ExportSession& s, bool keepBackup, std::string& error);

// A metrics file the user chose, read in full mode. The state changes only when the
// whole file reads; otherwise `error` says where it failed.
struct Type1MetricsLoad {
    bool loaded = false;
    bool characterMetrics = false;  // it gave per-character widths
    int16_t spaceWidth = 0;         // then: the width it gave code 32, in font units
    std::string error;
};
Type1MetricsLoad type1LoadMetrics(Type1ExportSession& s, const std::string& afmPath, int gridSize);

}  // namespace gx
