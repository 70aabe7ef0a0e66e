// String-table ids. The texts live in the strings_*.inc tables (one line per
// string: GX_STRING(id, "text")), compiled into the POSIX build and into the
// Windows resource STRINGTABLE from the same source.
#pragma once

namespace gx::str {
enum : int {
#define GX_STRING(name, id, text) name = id,
#include "support/strings_all.inc"
#undef GX_STRING
};
}  // namespace gx::str
