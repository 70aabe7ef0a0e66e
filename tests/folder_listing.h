// What a test sees in a folder: the names in it but the hidden ones, sorted.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

namespace gx::test {

inline std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace gx::test
