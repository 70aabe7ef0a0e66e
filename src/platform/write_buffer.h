// The write buffer both FontFile implementations keep in front of the system's file:
// bytes written at the logical position gather here and go down in one call when the
// buffer fills, the position jumps, or the file is read, flushed or closed.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/common_internal.h"

namespace gx::platform {

class WriteBuffer {
  public:
    virtual ~WriteBuffer() = default;

    long long position = 0;  // the stream's logical position
    bool failed = false;     // a write failed; the stream stays failed

    // Buffers `count` bytes at the position; the count taken (less means failure).
    long write(const void* buffer, long count) {
        if (count < 0 || failed) return 0;
        const long allowed = allowedWrite(count);
        if (!pending_.empty() && pendingAt_ + static_cast<long long>(pending_.size()) != position &&
            !flushPending())
            return 0;
        if (pending_.empty()) pendingAt_ = position;
        const uint8_t* b = static_cast<const uint8_t*>(buffer);
        pending_.insert(pending_.end(), b, b + allowed);
        position += allowed;
        if (pending_.size() >= kBufferSize && !flushPending()) return 0;
        if (allowed < count) failed = true;
        return allowed;
    }

    // Hands the buffered bytes to the system; false (and failed) when that fails.
    bool flushPending() {
        if (pending_.empty()) return true;
        const bool ok = writeAt(pendingAt_, pending_.data(), pending_.size());
        pending_.clear();
        if (!ok) failed = true;
        return ok;
    }

  protected:
    // Writes all `size` bytes at `offset` of the file.
    virtual bool writeAt(long long offset, const uint8_t* data, size_t size) = 0;

  private:
    static constexpr size_t kBufferSize = 64 * 1024;
    std::vector<uint8_t> pending_;
    long long pendingAt_ = 0;
};

}  // namespace gx::platform
