#include "support/paths.h"

#include <cctype>

namespace gx {
namespace {
bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
}  // namespace

std::string companionPath(const std::string& path, const char* extension) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + extension;
    // Case-insensitive, as file names are on Windows.
    if (sameIgnoringCase(path.substr(dot), extension)) return path + extension;
    return path.substr(0, dot) + extension;
}

}  // namespace gx
