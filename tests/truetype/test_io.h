// What the TrueType tests do with files and tools: read a font's bytes, run a command.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace gx {

inline std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// True when the command ran and exited 0.
inline bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

}  // namespace gx
