// Libraries that only some runs need (fontconfig for symbol mode, FreeType for strokes and
// specimens, libpng for specimens) are opened on first use: loading them, and all they
// pull in, at every start would cost each plain export more than its own work does.
#pragma once

#include <string>

namespace gx::platform {

class LazyLibrary {
  public:
    // `soname`: the library's run-time name, of the major version the headers describe.
    explicit LazyLibrary(const char* soname) : soname_(soname) {}
    LazyLibrary(const LazyLibrary&) = delete;
    LazyLibrary& operator=(const LazyLibrary&) = delete;

    // Opens the library (once) and puts the function `name` into `slot`; false, with
    // the reason in error(), when the library or the function is missing.
    template <class Function>
    bool take(const char* name, Function& slot) {
        void* address = symbol(name);
        slot = reinterpret_cast<Function>(address);
        return address != nullptr;
    }
    const std::string& error() const { return error_; }

  private:
    void* symbol(const char* name);

    const char* soname_;
    void* handle_ = nullptr;
    bool tried_ = false;
    std::string error_;
};

// The functions of an API table (a struct with a slot per function), taken once from the
// library `soname` by `fill`; null, with the reason in `error`, where any is missing.
template <class Api, class Fill>
const Api* openOnFirstUse(const char* soname, std::string& error, Fill fill) {
    static LazyLibrary library(soname);
    static Api api;
    static const bool complete = fill(library, api);
    if (!complete) error = library.error();
    return complete ? &api : nullptr;
}

}  // namespace gx::platform

// For an API table (a struct): the slot of the function `f`, of its own type.
#define GX_LAZY_SLOT(f) decltype(&::f) f = nullptr;

// For GX_LAZY_API: takes the function `f` into the slot of that name, keeping `all` true
// while every one is found.
#define GX_LAZY_TAKE(f) all = library.take(#f, api.f) && all;

// The table `Api` of the functions FUNCTIONS lists (an X-macro), taken from `soname` on
// first use; null, with the reason in `error`, where any is missing.
#define GX_LAZY_API(Api, soname, FUNCTIONS, error)                                           \
    ::gx::platform::openOnFirstUse<Api>(soname, error,                                       \
                                        [](::gx::platform::LazyLibrary& library, Api& api) { \
                                            bool all = true;                                 \
                                            FUNCTIONS(GX_LAZY_TAKE)                          \
                                            return all;                                      \
                                        })
