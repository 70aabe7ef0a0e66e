// Name rules shared by the registry and the fontconfig implementations.
#include "install/install.h"

namespace gx::install {

std::string fontFileNameFor(const std::string& family) {
    std::string name;
    for (char c : family)
        if (std::string("\"*/:<>\\|").find(c) == std::string::npos) name.push_back(c);
    return name + ".ttf";
}

std::string trimExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos) return path;
    // Registry values such as "FONT.TTF2" name the .ttf file.
    if (path.size() - dot > 4) return path.substr(0, dot + 4);
    return path;
}

std::string resolveRegisteredPath(const std::string& value, const std::string& windowsDirectory,
                                  const std::string& subdirectory) {
    if (value.find(':') == std::string::npos && value.find('\\') == std::string::npos)
        return trimExtension(windowsDirectory + subdirectory + "\\" + value);
    return trimExtension(value);
}

}  // namespace gx::install
