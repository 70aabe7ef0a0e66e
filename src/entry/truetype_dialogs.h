// What the export dialogs reach of a TrueType session.
#pragma once

#include "entry/truetype_session.h"
#include "ui/dialog_session.h"

namespace gx {

class TrueTypeDialogSession : public DialogSession {
  public:
    explicit TrueTypeDialogSession(TrueTypeSession& s) : s_(s) {}

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
    const std::vector<int32_t>& outlinePoints() const override { return s_.outline.points; }
    const std::vector<uint8_t>& outlineTypes() const override { return s_.outline.types; }
    int outlineCount() const override { return s_.outline.count; }
    int32_t glyphOriginX() const override { return s_.originX; }
    int32_t glyphOriginY() const override { return s_.originY; }

  private:
    TrueTypeSession& s_;
};

}  // namespace gx
