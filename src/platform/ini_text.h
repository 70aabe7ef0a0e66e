// INI text with the profile functions' rules, as pure string operations.
#pragma once

#include <optional>
#include <string>

namespace gx::platform {

// The value of a key (surrounding blanks and one pair of quotes removed), if present.
std::optional<std::string> iniLookup(const std::string& text, const std::string& section,
                                     const std::string& key);
// The text with the key set: its line replaced in place, or appended to its section, or
// a new section appended. Every other line stays as it was.
std::string iniSet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value);
// GetPrivateProfileInt's reading: optional sign and leading digits; no digits gives 0.
int iniParseInt(const std::string& value);

}  // namespace gx::platform
