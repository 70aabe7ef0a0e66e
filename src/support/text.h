// Small text helpers shared by the support library and the dialogs.
#pragma once

#include <string>
#include <vector>

namespace gx {

// Fills each "%s" of a template in turn; other text is copied as it is.
std::string fillTemplate(const std::string& format, const std::vector<std::string>& args);

// A decimal integer as the dialogs read typed numbers: leading blanks and a sign, then
// digits up to the first other character ("2048abc" is 2048). Values past +-99,999,999
// saturate. False when no digit follows.
bool readLeadingInteger(const std::string& text, long& value);

}  // namespace gx
