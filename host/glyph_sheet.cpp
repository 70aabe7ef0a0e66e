#include "glyph_sheet.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "font_info.h"
#include "freetype_api.h"
#include "install/fontconfig_api.h"
#include "platform/lazy_library.h"
#include "platform/platform.h"

// clang-format off
#define GX_PNG_FUNCTIONS(X) \
    X(png_create_write_struct) \
    X(png_create_info_struct) \
    X(png_set_longjmp_fn) \
    X(png_init_io) \
    X(png_set_IHDR) \
    X(png_write_info) \
    X(png_write_row) \
    X(png_write_end) \
    X(png_destroy_write_struct)
// clang-format on

namespace gx::host {
namespace {

struct PngApi {
    GX_PNG_FUNCTIONS(GX_LAZY_SLOT)
};

// libpng, opened on first use as FreeType and fontconfig are: only specimens need it.
const PngApi* libpng(std::string& error) {
    return GX_LAZY_API(PngApi, "libpng16.so.16", GX_PNG_FUNCTIONS, error);
}

// The libraries a specimen is drawn with, taken once by writeSpecimen; fontconfig (for
// the labels' font) may be missing.
const FreeTypeApi* ft = nullptr;
const install::FontconfigApi* fc = nullptr;
const PngApi* pngLib = nullptr;

constexpr int kColumns = 8;
constexpr int kEm = 72;  // pixels per em of the drawn glyphs
constexpr int kCellWidth = 120;
constexpr int kGlyphHeight = 100;
constexpr int kLabelHeight = 34;
constexpr int kCellHeight = kGlyphHeight + kLabelHeight;
constexpr int kHeaderHeight = 40;
constexpr int kLabelSize = 12;  // pixels

// The characters Windows Latin-1 gives codes 128 to 159 (0: none).
constexpr unsigned kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

unsigned unicodeOf(int code) {
    if (code >= 0x80 && code < 0xA0) return kWindows1252High[code - 0x80];
    return unsigned(code);
}

struct Canvas {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;  // 8-bit grey, 255 white

    Canvas(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h), 255) {}

    void darken(int x, int y, uint8_t ink) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t& p = pixels[size_t(y) * size_t(width) + size_t(x)];
        p = uint8_t(std::min<int>(p, 255 - ink));
    }
    void hline(int x0, int x1, int y, uint8_t ink) {
        for (int x = x0; x < x1; ++x) darken(x, y, ink);
    }
    void vline(int x, int y0, int y1, uint8_t ink) {
        for (int y = y0; y < y1; ++y) darken(x, y, ink);
    }
    // FreeType's anti-aliased coverage bitmap with its top-left corner at (x, y).
    void blit(const FT_Bitmap& b, int x, int y) {
        if (b.pixel_mode != FT_PIXEL_MODE_GRAY) return;
        for (unsigned row = 0; row < b.rows; ++row) {
            const unsigned char* line = b.buffer + ptrdiff_t(row) * b.pitch;
            for (unsigned col = 0; col < b.width; ++col)
                darken(x + int(col), y + int(row), line[col]);
        }
    }
};

// A face whose glyphs are looked up by the font's own character codes.
struct FontFace {
    FT_Face face = nullptr;
    bool byGlyphIndex = false;
};

// Draws UTF-32 text with its baseline at y; returns the pen position after it.
int drawText(Canvas& canvas, FT_Face face, const std::vector<unsigned>& text, int x, int y) {
    if (!face) return x;
    for (unsigned ch : text) {
        const FT_UInt index = ft->FT_Get_Char_Index(face, ch);
        if (ft->FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        canvas.blit(slot->bitmap, x + slot->bitmap_left, y - slot->bitmap_top);
        x += int(slot->advance.x >> 6);
    }
    return x;
}

std::vector<unsigned> ascii(const std::string& s) {
    std::vector<unsigned> out;
    for (unsigned char c : s) out.push_back(c < 0x80 ? c : unsigned('?'));
    return out;
}

// A sans-serif face of the system for the labels; null when the system has none.
FT_Face labelFace(FT_Library library) {
    FT_Face face = nullptr;
    if (!fc) return nullptr;
    // A configuration of our own, destroyed after use, so nothing of fontconfig's
    // outlives the lookup.
    FcConfig* config = fc->FcInitLoadConfigAndFonts();
    if (!config) return nullptr;
    FcPattern* pattern = fc->FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (!pattern) {
        fc->FcConfigDestroy(config);
        return nullptr;
    }
    fc->FcConfigSubstitute(config, pattern, FcMatchPattern);
    fc->FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = fc->FcFontMatch(config, pattern, &result)) {
        FcChar8* file = nullptr;
        int index = 0;
        if (fc->FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            fc->FcPatternGetInteger(match, FC_INDEX, 0, &index);
            if (ft->FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0 ||
                ft->FT_Set_Pixel_Sizes(face, 0, kLabelSize) != 0) {
                if (face) ft->FT_Done_Face(face);
                face = nullptr;
            }
        }
        fc->FcPatternDestroy(match);
    }
    fc->FcPatternDestroy(pattern);
    fc->FcConfigDestroy(config);
    return face;
}

// Picks the charmap that maps the font's own codes: a Type 1 font's encoding, or a
// TrueType font's symbol or Unicode subtable.
bool chooseCharmap(FT_Face face, bool symbol) {
    for (int i = 0; i < face->num_charmaps; ++i) {
        const FT_CharMap m = face->charmaps[i];
        if (m->platform_id == 7 && m->encoding != FT_ENCODING_UNICODE)
            return ft->FT_Set_Charmap(face, m) == 0;
    }
    if (symbol && ft->FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0) return true;
    return ft->FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0;
}

FT_UInt glyphIndexFor(FT_Face face, int code) {
    const FT_CharMap map = face->charmap;
    if (!map) return 0;
    if (map->encoding == FT_ENCODING_MS_SYMBOL) {
        const FT_UInt g = ft->FT_Get_Char_Index(face, 0xF000u + unsigned(code));
        return g ? g : ft->FT_Get_Char_Index(face, unsigned(code));
    }
    if (map->platform_id == 7) return ft->FT_Get_Char_Index(face, unsigned(code));
    return ft->FT_Get_Char_Index(face, unicodeOf(code));
}

// A Type 1 glyph the font's encoding does not reach, found by its name through the
// Unicode charmap FreeType derives from the glyph names (0: none).
FT_UInt glyphIndexByName(FT_Face face, int code) {
    const FT_CharMap own = face->charmap;
    if (!own || own->platform_id != 7 || ft->FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
        return 0;
    const FT_UInt g = ft->FT_Get_Char_Index(face, unicodeOf(code));
    ft->FT_Set_Charmap(face, own);
    return g;
}

bool writePng(const Canvas& canvas, const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png =
        pngLib->png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? pngLib->png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    // libpng reports errors by longjmp; nothing here owns C++ objects across it.
    if (ok && setjmp(*pngLib->png_set_longjmp_fn(png, std::longjmp, sizeof(std::jmp_buf))) == 0) {
        pngLib->png_init_io(png, out);
        pngLib->png_set_IHDR(png, info, png_uint_32(canvas.width), png_uint_32(canvas.height), 8,
                             PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                             PNG_FILTER_TYPE_DEFAULT);
        pngLib->png_write_info(png, info);
        for (int y = 0; y < canvas.height; ++y)
            pngLib->png_write_row(png, canvas.pixels.data() + size_t(y) * size_t(canvas.width));
        pngLib->png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    pngLib->png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(out) == 0 && ok;
}

}  // namespace

bool writeSpecimen(const std::string& fontPath, const std::string& pngPath) {
    FontSummary summary;
    std::string error;
    if (!readFontSummary(fontPath, summary, error)) {
        std::fprintf(stderr, "glyph-export: %s: %s\n", fontPath.c_str(), error.c_str());
        return false;
    }
    std::string unavailable;
    ft = freetype(unavailable);
    pngLib = ft ? libpng(unavailable) : nullptr;
    if (!ft || !pngLib) {
        std::fprintf(stderr, "glyph-export: cannot draw a specimen: %s\n", unavailable.c_str());
        return false;
    }
    fc = install::fontconfig(unavailable);
    FT_Library library = nullptr;
    if (ft->FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "glyph-export: FreeType could not be started\n");
        return false;
    }
    FT_Face face = nullptr;
    if (ft->FT_New_Face(library, fontPath.c_str(), 0, &face) != 0 ||
        ft->FT_Set_Pixel_Sizes(face, kEm, kEm) != 0) {
        std::fprintf(stderr, "glyph-export: %s: FreeType cannot read this font\n",
                     fontPath.c_str());
        if (face) ft->FT_Done_Face(face);
        ft->FT_Done_FreeType(library);
        return false;
    }
    // A Type 1 font's widths and kerning are in its AFM beside it.
    if (!summary.trueType) {
        std::string afm = fontPath;
        const size_t dot = afm.find_last_of('.');
        const size_t slash = afm.find_last_of('/');
        if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
            afm.resize(dot);
        ft->FT_Attach_File(face, (afm + ".afm").c_str());
    }
    chooseCharmap(face, summary.symbol);
    FT_Face labels = labelFace(library);
    if (!labels)
        std::fprintf(stderr, "glyph-export: no system font for the labels; drawing glyphs only\n");

    const int count = int(summary.characters.size());
    const int rows = std::max(1, (count + kColumns - 1) / kColumns);
    Canvas canvas(kColumns * kCellWidth, kHeaderHeight + rows * kCellHeight);
    std::string title = summary.family + (summary.trueType ? " (TrueType, " : " (Type 1, ") +
                        std::to_string(count) + " characters, " +
                        std::to_string(summary.unitsPerEm) + " units per em)";
    drawText(canvas, labels, ascii(title), 8, 26);
    canvas.hline(0, canvas.width, kHeaderHeight - 1, 160);

    const int baseline = kGlyphHeight - 24;
    int missing = 0, byName = 0;
    for (int i = 0; i < count; ++i) {
        const FontCharacter& c = summary.characters[size_t(i)];
        const int left = (i % kColumns) * kCellWidth;
        const int top = kHeaderHeight + (i / kColumns) * kCellHeight;
        canvas.hline(left, left + kCellWidth, top + kCellHeight - 1, 200);
        canvas.vline(left + kCellWidth - 1, top, top + kCellHeight, 200);
        // Origin, advance and baseline in light grey, so the glyph's placement shows.
        const int originX = left + (kCellWidth - kEm) / 2;
        const int advance =
            summary.unitsPerEm > 0 ? int(long(c.width) * kEm / summary.unitsPerEm) : 0;
        canvas.hline(left + 4, left + kCellWidth - 4, top + baseline, 60);
        canvas.vline(originX, top + 8, top + kGlyphHeight - 4, 60);
        canvas.vline(originX + advance, top + 8, top + kGlyphHeight - 4, 60);
        FT_UInt g = glyphIndexFor(face, c.code);
        if (g == 0 && (g = glyphIndexByName(face, c.code)) != 0) ++byName;
        if (g != 0 && ft->FT_Load_Glyph(face, g, FT_LOAD_NO_HINTING | FT_LOAD_RENDER) == 0) {
            const FT_GlyphSlot slot = face->glyph;
            canvas.blit(slot->bitmap, originX + slot->bitmap_left,
                        top + baseline - slot->bitmap_top);
        } else {
            ++missing;
        }
        std::vector<unsigned> line1 = ascii(std::to_string(c.code));
        const unsigned ch = unicodeOf(c.code);
        if (ch > 32 && ch != 127 && ch != 0xA0) {
            line1.insert(line1.end(), {' ', ' '});
            line1.push_back(ch);
        }
        drawText(canvas, labels, line1, left + 6, top + kGlyphHeight + 12);
        drawText(canvas, labels, ascii("width " + std::to_string(c.width)), left + 6,
                 top + kGlyphHeight + 28);
    }
    if (labels) ft->FT_Done_Face(labels);
    ft->FT_Done_Face(face);
    ft->FT_Done_FreeType(library);
    if (byName > 0)
        std::fprintf(stderr,
                     "glyph-export: %s: the font's encoding does not reach %d of the codes; "
                     "their glyphs were found by name\n",
                     fontPath.c_str(), byName);
    if (missing > 0)
        std::fprintf(stderr, "glyph-export: %s: FreeType drew no glyph for %d of the codes\n",
                     fontPath.c_str(), missing);

    // Written beside the target and renamed over it, so a failure leaves no half picture.
    const std::string temp = platform::createTempFileIn(platform::directoryOf(pngPath), "gxpng");
    if (temp.empty() || !writePng(canvas, temp) ||
        std::rename(temp.c_str(), pngPath.c_str()) != 0) {
        if (!temp.empty()) platform::deleteFile(temp);
        std::fprintf(stderr, "glyph-export: %s: cannot write the picture\n", pngPath.c_str());
        return false;
    }
    return true;
}

}  // namespace gx::host
