// The file layer: the table directory, checksums, the order of the tables and the
// safe replacement of a font file.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/save.h"
#include "support/paths.h"
#include "truetype/tables.h"
#include "truetype/truetype.h"

namespace gx::tt {

SearchFields searchFields(uint32_t count, uint32_t unitSize) {
    uint32_t p = 1, log = 0;
    while (p * 2 <= count) {
        p *= 2;
        ++log;
    }
    const uint32_t range = p * unitSize;
    return {uint16_t(range), uint16_t(log), uint16_t(count * unitSize - range)};
}

BigEndianReader tableReader(const FontFileState& font, const TableRecord& record) {
    // Records were checked against the file size when the directory was read.
    return BigEndianReader(font.source.data() + record.offset, record.length);
}

namespace {

uint32_t checksum(const uint8_t* data, size_t length) {
    uint32_t sum = 0;
    size_t i = 0;
    // Whole words first: every save sums the whole file twice.
    for (; length - i >= 4; i += 4)
        sum += uint32_t(data[i]) << 24 | uint32_t(data[i + 1]) << 16 | uint32_t(data[i + 2]) << 8 |
               uint32_t(data[i + 3]);
    if (i < length) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k) word = word << 8 | (i + k < length ? data[i + k] : 0);
        sum += word;
    }
    return sum;
}

TableRecord makeRecord(const char* tag) {
    TableRecord r;
    std::memcpy(r.tag, tag, 4);
    return r;
}

bool tagLess(const TableRecord& a, const TableRecord& b) {
    return std::memcmp(a.tag, b.tag, 4) < 0;
}

bool isOneOf(const TableRecord& r, std::initializer_list<const char*> tags) {
    for (const char* t : tags)
        if (r.is(t)) return true;
    return false;
}

}  // namespace

bool readDirectory(const std::vector<uint8_t>& bytes, FontFileState& font) {
    BigEndianReader r(bytes);
    OffsetSubtable& o = font.offsetSubtable;
    if (!r.readU32(o.sfntVersion) || !r.readU16(o.numTables) || !r.readU16(o.searchRange) ||
        !r.readU16(o.entrySelector) || !r.readU16(o.rangeShift))
        return false;
    if (o.sfntVersion != 0x00010000 && o.sfntVersion != 0x74727565 /* 'true' */) return false;
    if (o.numTables == 0) return false;
    font.directory.clear();
    for (uint16_t i = 0; i < o.numTables; ++i) {
        TableRecord t;
        if (!r.readBytes(t.tag, 4) || !r.readU32(t.checkSum) || !r.readU32(t.offset) ||
            !r.readU32(t.length))
            return false;
        if (t.offset > bytes.size() || t.length > bytes.size() - t.offset) return false;
        for (const TableRecord& seen : font.directory)
            if (std::memcmp(seen.tag, t.tag, 4) == 0) return false;
        // Device metrics are per glyph and not rebuilt, so they are dropped.
        if (t.is("hdmx")) continue;
        font.directory.push_back(t);
    }
    o.numTables = uint16_t(font.directory.size());
    font.directoryPresent = true;
    return true;
}

bool writeFontFile(FontFileState& font, const SessionSettings& settings,
                   std::vector<uint8_t>& file) {
    try {
        const bool isNew = font.isNew();
        // Tables that name glyphs by index stay true only while every old index still
        // holds its old glyph: a removed glyph, even the last one, gives its index to
        // another (the new glyph takes the last removed one's place).
        bool glyphsChanged = font.keptGlyphs.size() != font.numGlyphs;
        for (size_t k = 0; k < font.keptGlyphs.size(); ++k)
            if (font.keptGlyphs[k] != k) glyphsChanged = true;
        const bool countChanged = isNew || font.glyphCount != font.numGlyphs;

        std::vector<TableRecord> dir;
        if (isNew) {
            for (const char* tag :
                 {"OS/2", "cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post"})
                dir.push_back(makeRecord(tag));
        } else {
            for (const TableRecord& r : font.directory) {
                // A signature does not survive any change.
                if (r.is("DSIG")) continue;
                // Tables sized by the glyph count.
                if ((countChanged || glyphsChanged) &&
                    isOneOf(r, {"LTSH", "vmtx", "vhea", "gvar", "sbix"}))
                    continue;
                // Tables that name glyphs by index; kern is renumbered below.
                if (glyphsChanged &&
                    isOneOf(r,
                            {"GDEF", "GSUB", "GPOS", "JSTF", "MATH", "COLR", "VORG", "BASE", "EBLC",
                             "EBDT", "EBSC", "CBLC", "CBDT", "SVG ", "HVAR", "VVAR", "morx", "mort",
                             "kerx", "feat", "prop", "lcar", "opbd", "bsln", "just", "ankr", "Zapf",
                             "Silf", "Glat", "Gloc", "bloc", "bdat", "gcid"}))
                    continue;
                dir.push_back(r);
            }
        }
        const bool haveKern =
            std::any_of(dir.begin(), dir.end(), [](const TableRecord& r) { return r.is("kern"); });
        if (font.writeKern && !haveKern)
            dir.insert(std::upper_bound(dir.begin(), dir.end(), makeRecord("kern"), tagLess),
                       makeRecord("kern"));

        BigEndianWriter out;
        // About the size of the font read plus the new glyph, so the tables are appended
        // without moving the file again and again.
        out.bytes().reserve(font.source.size() + font.newGlyph.record.size() + 4096);
        const uint16_t numTables = uint16_t(dir.size());
        const SearchFields sf = searchFields(numTables, 16);
        out.writeU32(isNew ? 0x00010000 : font.offsetSubtable.sfntVersion);
        out.writeU16(numTables);
        out.writeU16(sf.searchRange);
        out.writeU16(sf.entrySelector);
        out.writeU16(sf.rangeShift);
        out.zeros(16 * size_t(numTables));

        BigEndianWriter glyf;
        if (!writeGlyfTable(font, glyf, font.newGlyphOffsets)) return false;

        std::vector<int> oldToNew(font.numGlyphs, -1);
        for (size_t k = 0; k < font.keptGlyphs.size(); ++k)
            if (font.keptGlyphs[k] < oldToNew.size()) oldToNew[font.keptGlyphs[k]] = int(k);

        std::vector<TableRecord> written;
        size_t headOffset = 0;
        bool haveHead = false;
        for (TableRecord r : dir) {
            const size_t start = out.size();
            bool ok = true, keep = true;
            if (r.is("cmap")) {
                ok = writeCmapTable(font, settings, out);
            } else if (r.is("glyf")) {
                out.writeBytes(glyf.bytes().data(), glyf.size());
            } else if (r.is("head")) {
                ok = writeHeadTable(font, settings, out);
                headOffset = start;
                haveHead = true;
            } else if (r.is("hhea")) {
                writeHheaTable(font, settings, out);
            } else if (r.is("hmtx")) {
                writeHmtxTable(font, out);
            } else if (r.is("loca")) {
                writeLocaTable(font, out);
            } else if (r.is("maxp")) {
                ok = writeMaxpTable(font, out);
            } else if (r.is("name")) {
                writeNameTable(font, settings, out);
            } else if (r.is("post")) {
                writePostTable(font, out);
            } else if (r.is("OS/2")) {
                writeOs2Table(font, settings, out);
            } else if (r.is("kern") && font.writeKern) {
                writeKernPairs(font.kernPairs, out);
            } else if (r.is("kern") && glyphsChanged) {
                // Pairs follow their glyphs; a kern table we cannot renumber is dropped.
                keep = remapKernTable(tableReader(font, r), oldToNew, out);
            } else {
                const BigEndianReader old = tableReader(font, r);
                out.writeBytes(old.data(), old.length());
            }
            if (!ok) return false;
            if (!keep) {
                out.bytes().resize(start);
                continue;
            }
            r.offset = uint32_t(start);
            r.length = uint32_t(out.size() - start);
            out.zeros((4 - r.length % 4) % 4);
            r.checkSum = checksum(out.bytes().data() + start, out.size() - start);
            written.push_back(r);
        }
        if (!haveHead) return false;

        // A dropped table leaves a smaller directory: move the data up and fix the offsets.
        if (written.size() != dir.size()) {
            const size_t shift = 16 * (dir.size() - written.size());
            std::vector<uint8_t>& b = out.bytes();
            b.erase(b.begin() + 12 + 16 * long(written.size()),
                    b.begin() + 12 + 16 * long(dir.size()));
            for (TableRecord& r : written) r.offset -= uint32_t(shift);
            headOffset -= shift;
            const SearchFields f = searchFields(uint32_t(written.size()), 16);
            out.patchU16(4, uint16_t(written.size()));
            out.patchU16(6, f.searchRange);
            out.patchU16(8, f.entrySelector);
            out.patchU16(10, f.rangeShift);
        }
        for (size_t i = 0; i < written.size(); ++i) {
            const TableRecord& r = written[i];
            std::memcpy(&out.bytes()[12 + 16 * i], r.tag, 4);
            out.patchU32(12 + 16 * i + 4, r.checkSum);
            out.patchU32(12 + 16 * i + 8, r.offset);
            out.patchU32(12 + 16 * i + 12, r.length);
        }
        out.patchU32(headOffset + 8, 0xB1B0AFBA - checksum(out.bytes().data(), out.size()));
        file.swap(out.bytes());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool loadFontBytes(platform::FontFile& file, std::vector<uint8_t>& bytes) {
    constexpr long kMaxFontBytes = 64L << 20;
    const long size = file.size();
    if (size < 0 || size > kMaxFontBytes || file.seek(0, platform::SeekOrigin::Begin) != 0)
        return false;
    try {
        bytes.assign(size_t(size), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    long done = 0;
    while (done < size) {
        const long n = file.read(bytes.data() + done, size - done);
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

std::string backupName(const std::string& path) {
    return companionPath(path, ".bak");
}

SaveStatus layOutFont(FontFileState& font, const SessionSettings& settings,
                      std::vector<uint8_t>& bytes, std::string& detail) {
    const SaveStatus metrics = updateFontMetrics(font, settings);
    if (metrics != SaveStatus::Ok) return metrics;
    if (!writeFontFile(font, settings, bytes)) {
        detail = "the font could not be laid out";
        return SaveStatus::Failed;
    }
    return SaveStatus::Ok;
}

SaveStatus saveFontFile(FontFileState& font, const SessionSettings& settings,
                        std::unique_ptr<platform::FontFile>& file, const std::string& path,
                        bool makeBackup, std::string& detail, const std::string& backupPath) {
    std::vector<uint8_t> bytes;
    const SaveStatus laidOut = layOutFont(font, settings, bytes, detail);
    if (laidOut != SaveStatus::Ok) return laidOut;
    platform::SavePlan plan;
    plan.tempPrefix = kTempPrefix;
    plan.files.push_back({path, bytes.data(), bytes.size()});
    // A new font (no file held) is created; one that appeared meanwhile is left alone.
    plan.createFirst = !file;
    if (makeBackup && file) plan.backupPath = backupPath.empty() ? backupName(path) : backupPath;
    const platform::SaveResult r = platform::saveFiles(plan, file);
    if (!r.ok) {
        detail = r.detail;
        return r.unchanged ? SaveStatus::Failed : SaveStatus::FailedPartly;
    }
    return SaveStatus::Ok;
}

}  // namespace gx::tt
