// Test hooks consulted by the platform implementations.
#pragma once

#include <string>

namespace gx::platform {

// How many of `count` bytes a write may put down before an injected failure.
long allowedWrite(long count);
bool hostRecordAllocationFails();
bool renameFails();
bool noReplaceRefused();
// One step of a save: counts it, tells the observer, and kills or fails it when a test
// asked for that. False: the step is to fail.
bool saveStep(const char* kind, const std::string& path, const std::string& from = std::string());

}  // namespace gx::platform
