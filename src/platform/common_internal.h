// Test hooks consulted by the platform implementations.
#pragma once

namespace gx::platform {

// How many of `count` bytes a write may put down before an injected failure.
long allowedWrite(long count);
bool hostRecordAllocationFails();
bool renameFails();

}  // namespace gx::platform
