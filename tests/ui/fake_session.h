// A session the dialog tests control: a font of a few glyphs, an outline, and a record
// of what the dialogs asked of it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/afm_import.h"
#include "ui/dialog_session.h"

namespace gx {

class FakeSession : public DialogSession {
  public:
    struct State {
        std::array<bool, 256> glyph{};
        std::array<bool, 256> mark{};
        std::array<int, 256> width{};
        // imported metrics, as the TrueType session keeps them
        bool characterMetrics = false;
        std::array<int16_t, 256> importedWidths{};
        std::vector<KerningPair> kerning;
    };
    State state;
    bool addGlyph = true;
    bool saveSucceeds = true;
    bool reloadSucceeds = true;
    std::vector<std::string> calls;  // "save", "reload", "apply", "snapshot", "restore"
    FontExportSettings applied;
    std::vector<int32_t> points;
    std::vector<uint8_t> types;
    int32_t originX = 0, originY = 0;

    bool hasGlyph(int code) const override;
    bool deleteMark(int code) const override;
    void setDeleteMark(int code) override;
    int glyphWidth(int code) const override;
    void setGlyphWidth(int code, int width) override;
    std::unique_ptr<Snapshot> takeSnapshot() const override;
    void restoreSnapshot(const Snapshot& snapshot) override;
    void setAddGlyph(bool on) override { addGlyph = on; }
    void applySettings(const FontExportSettings& s) override;
    bool saveFontNow() override;
    bool reloadFont() override;
    MetricsLoad loadFontMetrics(const std::string& path, int gridSize) override;
    const std::vector<int32_t>& outlinePoints() const override { return points; }
    const std::vector<uint8_t>& outlineTypes() const override { return types; }
    int outlineCount() const override { return int(types.size()); }
    int32_t glyphOriginX() const override { return originX; }
    int32_t glyphOriginY() const override { return originY; }
};

}  // namespace gx
