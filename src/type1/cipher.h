// The two Type 1 encryption states. They are kept apart because a font program is
// eexec-encrypted while the charstrings inside it carry their own, independent key.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gx {

inline constexpr uint16_t kEexecKey = 55665;
inline constexpr uint16_t kCharStringKey = 4330;

class Type1Cipher {
  public:
    explicit Type1Cipher(uint16_t key) : r_(key) {}

    uint8_t encrypt(uint8_t plain) {
        uint8_t cipher = uint8_t(plain ^ (r_ >> 8));
        r_ = uint16_t((cipher + r_) * 52845u + 22719u);
        return cipher;
    }
    uint8_t decrypt(uint8_t cipher) {
        uint8_t plain = uint8_t(cipher ^ (r_ >> 8));
        r_ = uint16_t((cipher + r_) * 52845u + 22719u);
        return plain;
    }
    void encrypt(uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) p[i] = encrypt(p[i]);
    }
    void decrypt(uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) p[i] = decrypt(p[i]);
    }

  private:
    uint16_t r_;
};

}  // namespace gx
