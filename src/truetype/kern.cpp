// kern: imported pairs, or the old table with its glyph indices moved.
#include <algorithm>

#include "truetype/tables.h"

namespace gx::tt {
namespace {

void writeSubtable(uint16_t version, uint16_t coverage, const std::vector<KerningPair>& pairs,
                   BigEndianWriter& out) {
    const uint32_t n = uint32_t(pairs.size());
    out.writeU16(version);
    // Legacy readers take the pair count from nPairs; the 16-bit length may wrap on huge tables.
    out.writeU16(uint16_t(6 * n + 14));
    out.writeU16(coverage);
    out.writeU16(uint16_t(n));
    if (n == 0) {
        out.zeros(6);
    } else {
        const SearchFields sf = searchFields(n, 6);
        out.writeU16(sf.searchRange);
        out.writeU16(sf.entrySelector);
        out.writeU16(sf.rangeShift);
    }
    for (const KerningPair& p : pairs) {
        out.writeU16(uint16_t(p.left));
        out.writeU16(uint16_t(p.right));
        out.writeS16(p.value);
    }
}

bool pairLess(const KerningPair& a, const KerningPair& b) {
    if (uint16_t(a.left) != uint16_t(b.left)) return uint16_t(a.left) < uint16_t(b.left);
    return uint16_t(a.right) < uint16_t(b.right);
}

}  // namespace

void writeKernPairs(const std::vector<KerningPair>& pairs, BigEndianWriter& out) {
    out.writeU16(0);  // version
    out.writeU16(1);  // nTables
    writeSubtable(0, 0x0001, pairs, out);
}

bool remapKernTable(BigEndianReader table, const std::vector<int>& oldToNew, BigEndianWriter& out) {
    uint16_t version, nTables;
    if (!table.readU16(version) || !table.readU16(nTables) || version != 0) return false;
    BigEndianWriter result;
    result.writeU16(0);
    result.writeU16(nTables);
    for (uint16_t t = 0; t < nTables; ++t) {
        uint16_t subVersion, length, coverage, nPairs;
        if (!table.readU16(subVersion) || !table.readU16(length) || !table.readU16(coverage) ||
            !table.readU16(nPairs) || !table.skip(6))
            return false;
        if ((coverage >> 8) != 0) return false;  // only format 0 names glyphs we can move
        std::vector<KerningPair> pairs;
        for (uint16_t i = 0; i < nPairs; ++i) {
            uint16_t left, right;
            int16_t value;
            if (!table.readU16(left) || !table.readU16(right) || !table.readS16(value))
                return false;
            const int l = left < oldToNew.size() ? oldToNew[left] : -1;
            const int r = right < oldToNew.size() ? oldToNew[right] : -1;
            if (l < 0 || r < 0) continue;
            pairs.push_back({int16_t(l), int16_t(r), value});
        }
        std::stable_sort(pairs.begin(), pairs.end(), pairLess);
        writeSubtable(subVersion, coverage, pairs, result);
    }
    out.writeBytes(result.bytes().data(), result.size());
    return true;
}

}  // namespace gx::tt
