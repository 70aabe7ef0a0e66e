// Shared helpers of the Type 1 tests: outlines, and an export done the way the
// session does it (read the font when it exists, build the glyph, save).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "type1/charstring.h"
#include "type1/font_state.h"
#include "type1/update.h"

namespace gx::test {

struct Outline {
    std::vector<int32_t> points;
    std::vector<uint8_t> types;
    int count() const { return int(types.size()); }

    void start(int32_t x, int32_t y) { add(x, y, 0x00); }
    void line(int32_t x, int32_t y, bool close = false) {
        add(x, y, uint8_t(0x40 | (close ? 8 : 0)));
    }
    void curve(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
               bool close = false) {
        add(x1, y1, 0xC0);
        add(x2, y2, 0xC0);
        add(x3, y3, uint8_t(0x80 | (close ? 8 : 0)));
    }
    void add(int32_t x, int32_t y, uint8_t t) {
        points.push_back(x);
        points.push_back(y);
        types.push_back(t);
    }
    // A closed square; counter-clockwise (y up) when ccw, clockwise otherwise.
    void square(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool ccw) {
        start(x0, y0);
        if (ccw) {
            line(x1, y0);
            line(x1, y1);
            line(x0, y1);
        } else {
            line(x0, y1);
            line(x1, y1);
            line(x1, y0);
        }
        line(x0, y0, true);
    }
};

inline SessionSettings type1Settings() {
    SessionSettings s;
    s.familyName = "Test Font";
    s.gridSize = 1000;
    s.designSize = 1000;  // one drawing unit is one font unit
    s.spaceWidth = 250;
    s.charNumber = 65;
    s.charWidth = 600;
    s.autoWidth = 1;
    s.symbolFont = 0;
    return s;
}

inline std::string readFile(const std::string& path) {
    std::string out;
    platform::readWholeFile(path, out);
    return out;
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A fresh, empty directory for one test.
std::string freshDirectory(const std::string& name);

struct ExportResult {
    bool ok = false;
    std::string error;
};

// One export of `outline` at settings.charNumber into the font at `path`, as the
// session runs it: an existing, non-empty file is read first; `prepare` may edit the
// state after the reading (delete marks) and the settings stand for the dialog's values.
template <typename Prepare>
ExportResult exportGlyph(const std::string& path, const Outline& outline, SessionSettings settings,
                         Prepare prepare) {
    ExportResult r;
    Type1FontState state;
    std::unique_ptr<platform::FontFile> file;
    if (platform::FontFile::exists(path)) {
        file = openType1ForUpdate(path, r.error);
        if (!file) return r;
    }
    bool newFont = !file || file->size() == 0;
    if (!newFont) {
        SessionSettings read = settings;
        if (readExistingType1Font(*file, path, state, read, r.error) != Type1ReadStatus::Ok)
            return r;
        settings.gridSize = read.gridSize;
        settings.spaceWidth = read.spaceWidth;
        settings.symbolFont = read.symbolFont;
    }
    state.symbol = settings.symbolFont;
    prepare(state, settings);
    if (buildCharString(state, settings, 0, 0, outline.points.data(), outline.types.data(),
                        outline.count()) != CharStringStatus::Ok) {
        r.error = "buildCharString failed";
        return r;
    }
    r.ok = saveType1Font(state, settings, path, file, !newFont, r.error) == Type1SaveStatus::Ok;
    return r;
}

inline ExportResult exportGlyph(const std::string& path, const Outline& outline,
                                const SessionSettings& settings) {
    return exportGlyph(path, outline, settings, [](Type1FontState&, SessionSettings&) {});
}

}  // namespace gx::test
