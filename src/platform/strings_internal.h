// Shared by the platform implementations of loadString.
#pragma once

namespace gx::platform {

// The text of a string-table id, or null.
const char* compiledString(int id);
// Copies a string (at most 256 characters) into the rotating area and returns the copy.
const char* placeInRotatingArea(const char* text);

}  // namespace gx::platform
