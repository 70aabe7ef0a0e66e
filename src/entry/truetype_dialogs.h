// What the export dialogs reach of a TrueType session.
#pragma once

#include "entry/session_dialogs.h"
#include "entry/truetype_session.h"

namespace gx {

class TrueTypeDialogSession : public CapturedOutlineDialogSession {
  public:
    explicit TrueTypeDialogSession(TrueTypeSession& s) : CapturedOutlineDialogSession(s), s_(s) {}

    bool hasGlyph(int code) const override;
    bool deleteMark(int code) const override;
    void setDeleteMark(int code) override;
    int glyphWidth(int code) const override;
    void setGlyphWidth(int code, int width) override;
    std::unique_ptr<Snapshot> takeSnapshot() const override;
    void restoreSnapshot(const Snapshot& snapshot) override;
    void setAddGlyph(bool on) override { s_.font.addGlyph = on; }
    void applySettings(const FontExportSettings& settings) override;
    bool saveFontNow() override;
    bool reloadFont() override;
    MetricsLoad loadFontMetrics(const std::string& path, int gridSize) override;

  private:
    TrueTypeSession& s_;
};

}  // namespace gx
