// Small text helpers shared by the support library and the dialogs.
#pragma once

#include <string>
#include <vector>

namespace gx {

// Fills each "%s" of a template in turn; other text is copied as it is.
std::string fillTemplate(const std::string& format, const std::vector<std::string>& args);

}  // namespace gx
