#include "type1_test_util.h"

#include <unistd.h>

#include <cstdlib>

namespace gx::test {

std::string freshDirectory(const std::string& name) {
    const char* base = std::getenv("TMPDIR");
    std::string dir = std::string(base && *base ? base : "/tmp") + "/gx-type1-" + name + "-" +
                      std::to_string(long(::getpid()));
    std::string command = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
    if (std::system(command.c_str()) != 0) return std::string();
    return dir;
}

}  // namespace gx::test
