// What the export dialogs need from the export session that runs them: the font's
// per-character state, the captured outline, and the immediate save and re-read of
// the font that the Options dialog of an existing font asks for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/charlist.h"
#include "ui/settings.h"

namespace gx {

// The outcome of loading a metrics file in the extended Options dialog.
struct MetricsLoad {
    enum Status { Loaded, Failed, NotChosen };
    Status status = NotChosen;
    bool characterMetrics = false;  // the file held per-character widths
    int16_t spaceWidth = 0;         // then: the imported width of code 32, in font units
};

class DialogSession {
  public:
    // An opaque copy of the session's font state, taken when the extended Options
    // dialog opens and put back when it is cancelled.
    struct Snapshot {
        virtual ~Snapshot() = default;
    };

    virtual ~DialogSession() = default;

    // ---- per-character state of the font being extended (codes 0..255)
    virtual bool hasGlyph(int code) const = 0;
    virtual bool deleteMark(int code) const = 0;
    virtual void setDeleteMark(int code) = 0;
    // The advance width the character's glyph has now, in font units.
    virtual int glyphWidth(int code) const = 0;
    virtual void setGlyphWidth(int code, int width) = 0;

    // ---- the Cancel snapshot of the extended Options dialog
    virtual std::unique_ptr<Snapshot> takeSnapshot() const = 0;
    virtual void restoreSnapshot(const Snapshot& snapshot) = 0;

    // ---- Options of an existing font accepted: the font is saved at once
    // Whether the font writer adds the exported glyph.
    virtual void setAddGlyph(bool on) = 0;
    // Copies the record into the session's own settings.
    virtual void applySettings(const FontExportSettings& settings) = 0;
    // Writes the font now (temporary file, backup, replace); false when it failed.
    virtual bool saveFontNow() = 0;
    // Opens the saved font again and reads it; false when that failed.
    virtual bool reloadFont() = 0;

    // ---- metrics import of the extended Options dialog. `path` is the file the user
    // chose; `gridSize` the record's. The TrueType session imports it into its
    // imported-metrics area; the Type 1 session reads it with its full-mode reader,
    // which reports its own errors.
    virtual MetricsLoad loadFontMetrics(const std::string& path, int gridSize) = 0;

    // ---- the captured outline and where the glyph origin lies, for the preview and
    // the automatic width (thousandths of an inch)
    virtual const std::vector<int32_t>& outlinePoints() const = 0;  // x, y pairs
    virtual const std::vector<uint8_t>& outlineTypes() const = 0;
    virtual int outlineCount() const = 0;
    virtual int32_t glyphOriginX() const = 0;
    virtual int32_t glyphOriginY() const = 0;
};

// The character list's view of a session's glyphs.
inline CharStates charStatesOf(DialogSession& session) {
    CharStates states;
    DialogSession* s = &session;
    states.hasGlyph = [s](int code) { return s->hasGlyph(code); };
    states.deleteMark = [s](int code) { return s->deleteMark(code); };
    return states;
}

// A session with no font and no outline: every code is free, saving fails.
class EmptyDialogSession : public DialogSession {
  public:
    bool hasGlyph(int) const override { return false; }
    bool deleteMark(int) const override { return false; }
    void setDeleteMark(int) override {}
    int glyphWidth(int) const override { return 0; }
    void setGlyphWidth(int, int) override {}
    std::unique_ptr<Snapshot> takeSnapshot() const override { return std::make_unique<Snapshot>(); }
    void restoreSnapshot(const Snapshot&) override {}
    void setAddGlyph(bool) override {}
    void applySettings(const FontExportSettings&) override {}
    bool saveFontNow() override { return false; }
    bool reloadFont() override { return false; }
    MetricsLoad loadFontMetrics(const std::string&, int) override {
        MetricsLoad r;
        r.status = MetricsLoad::Failed;
        return r;
    }
    const std::vector<int32_t>& outlinePoints() const override { return points_; }
    const std::vector<uint8_t>& outlineTypes() const override { return types_; }
    int outlineCount() const override { return 0; }
    int32_t glyphOriginX() const override { return 0; }
    int32_t glyphOriginY() const override { return 0; }

  private:
    std::vector<int32_t> points_;
    std::vector<uint8_t> types_;
};

}  // namespace gx
