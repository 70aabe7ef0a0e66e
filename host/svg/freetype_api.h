// The FreeType functions this program uses. Windows builds compile the stroker in; on
// Linux the system's FreeType is opened on first use, as only drawings with strokes and
// specimens need it.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <string>

#include "platform/lazy_library.h"

// clang-format off
#define GX_FREETYPE_STROKER_FUNCTIONS(X) \
    X(FT_New_Library) \
    X(FT_Done_Library) \
    X(FT_Outline_New) \
    X(FT_Outline_Done) \
    X(FT_Outline_Decompose) \
    X(FT_Stroker_New) \
    X(FT_Stroker_Set) \
    X(FT_Stroker_BeginSubPath) \
    X(FT_Stroker_LineTo) \
    X(FT_Stroker_CubicTo) \
    X(FT_Stroker_EndSubPath) \
    X(FT_Stroker_GetCounts) \
    X(FT_Stroker_Export) \
    X(FT_Stroker_Done)

#ifdef _WIN32
#define GX_FREETYPE_FUNCTIONS(X) GX_FREETYPE_STROKER_FUNCTIONS(X)
#else
// Faces and their glyphs, for specimens.
#define GX_FREETYPE_FUNCTIONS(X) \
    GX_FREETYPE_STROKER_FUNCTIONS(X) \
    X(FT_Init_FreeType) \
    X(FT_Done_FreeType) \
    X(FT_New_Face) \
    X(FT_Done_Face) \
    X(FT_Attach_File) \
    X(FT_Set_Pixel_Sizes) \
    X(FT_Set_Charmap) \
    X(FT_Select_Charmap) \
    X(FT_Get_Char_Index) \
    X(FT_Load_Glyph)
#endif
// clang-format on

namespace gx::host {

struct FreeTypeApi {
    GX_FREETYPE_FUNCTIONS(GX_LAZY_SLOT)
};

// Null, with the reason in `error`, where FreeType cannot be had.
const FreeTypeApi* freetype(std::string& error);

}  // namespace gx::host
