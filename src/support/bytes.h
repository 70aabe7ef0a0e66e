// Bounds-checked cursors over untrusted bytes, and growable writers.
//
// Every read returns false instead of running past the end; the check is written
// in the form `off > len - n` (after `len < n`) so that it can never wrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace gx {

template <bool BigEndian>
class ByteReader {
  public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes)
        : data_(bytes.data()), length_(bytes.size()) {}

    size_t offset() const { return offset_; }
    size_t length() const { return length_; }
    size_t remaining() const { return length_ - offset_; }  // offset_ <= length_ always holds
    const uint8_t* data() const { return data_; }

    bool seek(size_t offset) {
        if (offset > length_) return false;
        offset_ = offset;
        return true;
    }
    bool skip(size_t n) {
        if (length_ < n || offset_ > length_ - n) return false;
        offset_ += n;
        return true;
    }
    bool readBytes(void* out, size_t n) {
        if (length_ < n || offset_ > length_ - n) return false;
        if (n != 0) std::memcpy(out, data_ + offset_, n);
        offset_ += n;
        return true;
    }
    bool readU8(uint8_t& v) { return readBytes(&v, 1); }
    bool readU16(uint16_t& v) {
        uint8_t b[2];
        if (!readBytes(b, 2)) return false;
        v = BigEndian ? uint16_t(b[0] << 8 | b[1]) : uint16_t(b[1] << 8 | b[0]);
        return true;
    }
    bool readS16(int16_t& v) {
        uint16_t u;
        if (!readU16(u)) return false;
        v = static_cast<int16_t>(u);
        return true;
    }
    bool readU32(uint32_t& v) {
        uint8_t b[4];
        if (!readBytes(b, 4)) return false;
        v = BigEndian ? (uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3])
                      : (uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0]);
        return true;
    }
    bool readS32(int32_t& v) {
        uint32_t u;
        if (!readU32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }

  private:
    const uint8_t* data_ = nullptr;
    size_t length_ = 0;
    size_t offset_ = 0;
};

using BigEndianReader = ByteReader<true>;
using LittleEndianReader = ByteReader<false>;

template <bool BigEndian>
class ByteWriter {
  public:
    std::vector<uint8_t>& bytes() { return bytes_; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t size() const { return bytes_.size(); }

    void writeBytes(const void* p, size_t n) {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void writeU8(uint8_t v) { bytes_.push_back(v); }
    void writeU16(uint16_t v) {
        if (BigEndian) {
            bytes_.push_back(uint8_t(v >> 8));
            bytes_.push_back(uint8_t(v));
        } else {
            bytes_.push_back(uint8_t(v));
            bytes_.push_back(uint8_t(v >> 8));
        }
    }
    void writeS16(int16_t v) { writeU16(static_cast<uint16_t>(v)); }
    void writeU32(uint32_t v) {
        if (BigEndian) {
            writeU16(uint16_t(v >> 16));
            writeU16(uint16_t(v));
        } else {
            writeU16(uint16_t(v));
            writeU16(uint16_t(v >> 16));
        }
    }
    void writeS32(int32_t v) { writeU32(static_cast<uint32_t>(v)); }
    void writeString(const std::string& s) { writeBytes(s.data(), s.size()); }
    void zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    // Overwrites bytes already written (e.g. a length known only later).
    void patchU16(size_t at, uint16_t v) {
        uint8_t* p = &bytes_.at(at + 1) - 1;
        p[BigEndian ? 0 : 1] = uint8_t(v >> 8);
        p[BigEndian ? 1 : 0] = uint8_t(v);
    }
    void patchU32(size_t at, uint32_t v) {
        uint8_t* p = &bytes_.at(at + 3) - 3;
        for (int i = 0; i < 4; ++i) p[BigEndian ? i : 3 - i] = uint8_t(v >> (24 - 8 * i));
    }

  private:
    std::vector<uint8_t> bytes_;
};

using BigEndianWriter = ByteWriter<true>;
using LittleEndianWriter = ByteWriter<false>;

// Narrowing that records an overflow instead of wrapping silently.
template <typename To, typename From>
inline bool checkedAssign(To& to, From from) {
    to = static_cast<To>(from);
    return static_cast<From>(to) == from && ((to < To{}) == (from < From{}));
}

}  // namespace gx
