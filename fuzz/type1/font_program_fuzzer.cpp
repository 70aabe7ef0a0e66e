// Reads arbitrary bytes as an existing Type 1 font program.
#include <cstddef>
#include <cstdint>
#include <string>

#include "type1/font_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gx::Type1FontState state;
    gx::SessionSettings settings;
    std::string error;
    gx::readType1Program(data, size, state, settings, error);
    return 0;
}
