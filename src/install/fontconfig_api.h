// The fontconfig functions this program uses, from the library opened on first use.
#pragma once

#include <fontconfig/fontconfig.h>

#include <string>

#include "platform/lazy_library.h"

// clang-format off
#define GX_FONTCONFIG_FUNCTIONS(X) \
    X(FcCacheCopySet) \
    X(FcConfigAppFontAddDir) \
    X(FcConfigDestroy) \
    X(FcConfigSubstitute) \
    X(FcDefaultSubstitute) \
    X(FcDirCacheRead) \
    X(FcDirCacheUnload) \
    X(FcFontList) \
    X(FcFontMatch) \
    X(FcFontSetDestroy) \
    X(FcInitLoadConfig) \
    X(FcInitLoadConfigAndFonts) \
    X(FcNameParse) \
    X(FcObjectSetBuild) \
    X(FcObjectSetDestroy) \
    X(FcPatternAddString) \
    X(FcPatternCreate) \
    X(FcPatternDestroy) \
    X(FcPatternGetInteger) \
    X(FcPatternGetString)
// clang-format on

namespace gx::install {

struct FontconfigApi {
    GX_FONTCONFIG_FUNCTIONS(GX_LAZY_SLOT)
};

// Null, with the reason in `error`, where fontconfig cannot be had.
const FontconfigApi* fontconfig(std::string& error);

}  // namespace gx::install
