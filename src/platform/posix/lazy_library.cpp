#include "platform/lazy_library.h"

#include <dlfcn.h>

namespace gx::platform {

void* LazyLibrary::symbol(const char* name) {
    if (!tried_) {
        tried_ = true;
        handle_ = ::dlopen(soname_, RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* why = ::dlerror();
            error_ = std::string("cannot load ") + soname_ + (why ? std::string(": ") + why : "");
        }
    }
    if (!handle_) return nullptr;
    void* address = ::dlsym(handle_, name);
    if (!address && error_.empty()) error_ = std::string(soname_) + " lacks " + name;
    return address;
}

}  // namespace gx::platform
