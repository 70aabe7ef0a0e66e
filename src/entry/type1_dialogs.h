// What the export dialogs reach of a Type 1 session.
#pragma once

#include "entry/session_dialogs.h"
#include "entry/type1_session.h"

namespace gx {

class Type1DialogSession : public CapturedOutlineDialogSession {
  public:
    explicit Type1DialogSession(Type1ExportSession& s) : CapturedOutlineDialogSession(s), s_(s) {}

    bool hasGlyph(int code) const override { return type1HasGlyph(s_, code); }
    bool deleteMark(int code) const override { return type1DeleteMark(s_, code); }
    void setDeleteMark(int code) override { type1SetDeleteMark(s_, code, true); }
    int glyphWidth(int code) const override { return type1GlyphWidth(s_, code); }
    void setGlyphWidth(int code, int width) override { type1SetGlyphWidth(s_, code, width); }
    std::unique_ptr<Snapshot> takeSnapshot() const override;
    void restoreSnapshot(const Snapshot& snapshot) override;
    void setAddGlyph(bool on) override { type1SetAddGlyph(s_, on); }
    void applySettings(const FontExportSettings& settings) override {
        type1ApplySettings(s_, settings);
    }
    bool saveFontNow() override;
    // The save above reads the font again at once; this reports how that went.
    bool reloadFont() override { return reloaded_; }
    MetricsLoad loadFontMetrics(const std::string& path, int gridSize) override;

  private:
    Type1ExportSession& s_;
    bool reloaded_ = false;
};

}  // namespace gx
