// The compiled-in string table and the rotating area strings are loaded into.
#include <cstring>

#include "platform/strings_internal.h"

namespace gx::platform {
namespace {

struct Entry {
    int id;
    const char* text;
};

const Entry kTable[] = {
#define GX_STRING(name, id, text) {id, text},
#include "support/strings_all.inc"
#undef GX_STRING
};

constexpr size_t kAreaSize = 2304;
constexpr size_t kMaxString = 256;
char g_area[kAreaSize + kMaxString + 1];
size_t g_offset = 0;

}  // namespace

const char* compiledString(int id) {
    for (const Entry& e : kTable)
        if (e.id == id) return e.text;
    return nullptr;
}

const char* placeInRotatingArea(const char* text) {
    size_t n = std::strlen(text);
    if (n > kMaxString) n = kMaxString;
    char* at = g_area + g_offset;
    std::memcpy(at, text, n);
    at[n] = '\0';
    g_offset += n + 1;
    if (g_offset > kAreaSize) g_offset = 0;
    return at;
}

}  // namespace gx::platform
