#include "install/fontconfig_api.h"

namespace gx::install {

const FontconfigApi* fontconfig(std::string& error) {
    return GX_LAZY_API(FontconfigApi, "libfontconfig.so.1", GX_FONTCONFIG_FUNCTIONS, error);
}

}  // namespace gx::install
