#include "freetype_api.h"

namespace gx::host {

const FreeTypeApi* freetype(std::string& error) {
#ifdef _WIN32
    (void)error;
    static const FreeTypeApi api = [] {
        FreeTypeApi linked;
#define GX_FREETYPE_LINK(f) linked.f = &::f;
        GX_FREETYPE_FUNCTIONS(GX_FREETYPE_LINK)
#undef GX_FREETYPE_LINK
        return linked;
    }();
    return &api;
#else
    return GX_LAZY_API(FreeTypeApi, "libfreetype.so.6", GX_FREETYPE_FUNCTIONS, error);
#endif
}

}  // namespace gx::host
