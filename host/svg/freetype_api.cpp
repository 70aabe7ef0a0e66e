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
    return platform::openOnFirstUse<FreeTypeApi>(
        "libfreetype.so.6", error, [](platform::LazyLibrary& library, FreeTypeApi& api) {
            bool all = true;
            GX_FREETYPE_FUNCTIONS(GX_LAZY_TAKE)
            return all;
        });
#endif
}

}  // namespace gx::host
