// The settings file as the profile functions read and write it: any text, any key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace gx::platform;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {"GridSize", "CharNumber", "Style", "FontsDir"}) {
        if (std::optional<std::string> v = iniLookup(text, "TTF Filter", key)) iniParseInt(*v);
        iniLookup(text, "Config", key);
    }
    // Setting a key keeps every other line and reads back as set.
    const std::string set = iniSet(text, "TTF Filter", "GridSize", "1024");
    const std::optional<std::string> back = iniLookup(set, "TTF Filter", "GridSize");
    if (!back || *back != "1024") std::abort();
    const std::string again = iniSet(set, "AT1 Filter", "Style", "3");
    if (iniLookup(again, "TTF Filter", "GridSize") != back) std::abort();
    return 0;
}
