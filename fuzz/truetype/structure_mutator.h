// A libFuzzer mutator that knows the TrueType layout: besides byte-level changes it
// rewrites loca offsets (past glyf's end, backwards, onto another glyph) and the headers,
// contour ends, flags and component indices of glyph records, so that the checks between
// loca, glyf and the glyph data are reached with inputs that are otherwise well formed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace gx::fuzz {

struct TableSpan {
    size_t offset = 0, length = 0;
    bool found = false;
};

inline uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline uint16_t be16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}
inline void put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8), p[3] = uint8_t(v);
}
inline void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8), p[1] = uint8_t(v);
}

inline TableSpan findTable(const uint8_t* data, size_t size, const char* tag) {
    TableSpan t;
    if (size < 12) return t;
    const size_t n = be16(data + 4);
    for (size_t i = 0; i < n && 12 + 16 * i + 16 <= size; ++i) {
        const uint8_t* r = data + 12 + 16 * i;
        if (std::memcmp(r, tag, 4) != 0) continue;
        const uint32_t off = be32(r + 8), len = be32(r + 12);
        if (off > size || len > size - off) return t;
        t = {off, len, true};
        return t;
    }
    return t;
}

inline size_t mutateTrueTypeStructure(uint8_t* data, size_t size, size_t maxSize,
                                      unsigned int seed) {
    std::minstd_rand rng(seed);
    const TableSpan head = findTable(data, size, "head");
    const TableSpan loca = findTable(data, size, "loca");
    const TableSpan glyf = findTable(data, size, "glyf");
    if (rng() % 4 == 0 || !loca.found || !glyf.found || !head.found || head.length < 54 ||
        loca.length < 8)
        return LLVMFuzzerMutate(data, size, maxSize);
    const bool longLoca = be16(data + head.offset + 50) != 0;
    const size_t unit = longLoca ? 4 : 2;
    const size_t entries = loca.length / unit;
    auto locaAt = [&](size_t i) -> uint32_t {
        const uint8_t* p = data + loca.offset + unit * i;
        return longLoca ? be32(p) : uint32_t(be16(p)) * 2;
    };
    auto setLoca = [&](size_t i, uint32_t v) {
        uint8_t* p = data + loca.offset + unit * i;
        if (longLoca)
            put32(p, v);
        else
            put16(p, uint16_t(v / 2));
    };
    const size_t i = rng() % entries;
    switch (rng() % 8) {
        case 0:  // past the end of glyf, by a little or a lot
            setLoca(i, uint32_t(glyf.length + (rng() % 2 ? rng() % 16 : rng())));
            break;
        case 1:  // backwards
            if (i > 0) setLoca(i, locaAt(i - 1) - uint32_t(rng() % 8 + 1));
            break;
        case 2:  // onto another glyph's start
            setLoca(i, locaAt(rng() % entries));
            break;
        case 3:  // the table's end moved
            setLoca(entries - 1, uint32_t(glyf.length - rng() % 16));
            break;
        default: {  // inside one glyph record
            const size_t g = rng() % (entries - 1);
            const uint32_t from = locaAt(g), to = locaAt(g + 1);
            if (from >= to || to > glyf.length || to - from < 12)
                return LLVMFuzzerMutate(data, size, maxSize);
            uint8_t* rec = data + glyf.offset + from;
            const size_t len = to - from;
            const int16_t contours = int16_t(be16(rec));
            switch (rng() % 5) {
                case 0:
                    put16(rec, uint16_t(rng() % 2 ? -1 - int(rng() % 3) : rng() % 64));
                    break;
                case 1:  // a contour end or a component index
                    put16(rec + 10 + 2 * (rng() % 4) % (len - 11), uint16_t(rng() % 0x400));
                    break;
                case 2:  // instruction length
                    if (contours >= 0 && 12 + 2 * size_t(contours) <= len)
                        put16(rec + 10 + 2 * size_t(contours), uint16_t(rng()));
                    break;
                case 3:  // a flag byte: repeats, short vectors, the reserved bit
                    rec[10 + rng() % (len - 10)] ^= uint8_t(1u << (rng() % 8));
                    break;
                default:  // cut the glyph short
                    setLoca(g + 1, from + uint32_t(rng() % len));
            }
        }
    }
    return size;
}

}  // namespace gx::fuzz
