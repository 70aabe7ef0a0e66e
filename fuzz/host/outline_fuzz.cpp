// The .outline text format: any bytes; what is read holds one type per point.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "outline_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    gx::host::OutlineFile file;
    std::string error;
    if (!gx::host::parseOutlineText(text, "fuzz.outline", file, error)) {
        if (error.rfind("fuzz.outline:", 0) != 0) std::abort();  // errors say where
        return 0;
    }
    for (const gx::host::HostOutline& o : file.objects)
        if (o.points.size() != 2 * o.types.size()) std::abort();
    return 0;
}
