// The plain outline text format: exact points and node-type bytes for tests.
//
//   # a comment
//   0 0 0          x y type: thousandths of an inch, y up; type is the node-type byte
//   1000 0 64
//   object         begins another object (each goes to its own CaptureObject call)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "svg/svg_reader.h"  // HostOutline

namespace gx::host {

struct OutlineFile {
    std::vector<HostOutline> objects;
};

// False with "FILE:LINE: what" in `error` on the first bad line.
bool parseOutlineText(const std::string& text, const std::string& name, OutlineFile& out,
                      std::string& error);

}  // namespace gx::host
