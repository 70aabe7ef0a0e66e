// The compiled-in string table and the rotating area strings are loaded into.
#include <cstring>
#include <unordered_map>

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
    // Indexed once: every export's dialogs ask for a dozen texts.
    static const std::unordered_map<int, const char*> index = [] {
        std::unordered_map<int, const char*> byId;
        for (const Entry& e : kTable) byId.emplace(e.id, e.text);  // the first of an id wins
        return byId;
    }();
    const auto it = index.find(id);
    return it == index.end() ? nullptr : it->second;
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
