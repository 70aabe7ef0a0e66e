#include "install/fontconfig_api.h"

namespace gx::install {

const FontconfigApi* fontconfig(std::string& error) {
    return platform::openOnFirstUse<FontconfigApi>(
        "libfontconfig.so.1", error, [](platform::LazyLibrary& library, FontconfigApi& api) {
            bool all = true;
            GX_FONTCONFIG_FUNCTIONS(GX_LAZY_TAKE)
            return all;
        });
}

}  // namespace gx::install
