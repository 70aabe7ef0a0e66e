// Real fonts from Debian packages, truncated and mutated in hundreds of ways: the engine
// refuses each variant cleanly or extends it into a font the OpenType sanitizer accepts.
// A font the sanitizer accepted is never made into one it refuses.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include "test_io.h"
#include "truetype/truetype.h"

namespace gx::tt {
namespace {

std::string gTmp;

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
uint16_t be16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] << 8 | b[at + 1]);
}
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    put16(b, at, uint16_t(v >> 16)), put16(b, at + 2, uint16_t(v));
}

struct Span {
    size_t offset = 0, length = 0;
};

// The tables of a font as its directory gives them (records that lie are left out).
std::vector<std::pair<std::string, Span>> tablesOf(const std::vector<uint8_t>& b) {
    std::vector<std::pair<std::string, Span>> v;
    if (b.size() < 12) return v;
    for (size_t i = 0; i < be16(b, 4) && 28 + 16 * i <= b.size(); ++i) {
        const size_t r = 12 + 16 * i;
        const Span s{be32(b, r + 8), be32(b, r + 12)};
        if (s.offset <= b.size() && s.length <= b.size() - s.offset)
            v.push_back({std::string(reinterpret_cast<const char*>(&b[r]), 4), s});
    }
    return v;
}

Span tableSpan(const std::vector<uint8_t>& b, const std::string& tag) {
    for (const auto& [t, s] : tablesOf(b))
        if (t == tag) return s;
    return {};
}

// One variant of `font`: the kind of damage is chosen by `kind`, its place by `rng`.
std::vector<uint8_t> mutate(std::vector<uint8_t> b, int kind, std::mt19937& rng) {
    auto pick = [&](size_t n) { return n ? size_t(rng() % n) : 0; };
    const auto tables = tablesOf(b);
    const Span loca = tableSpan(b, "loca"), glyf = tableSpan(b, "glyf"),
               head = tableSpan(b, "head");
    const bool longLoca = head.length >= 54 && be16(b, head.offset + 50) != 0;
    switch (kind) {
        case 0:  // truncated
            b.resize(12 + pick(b.size() - 12));
            break;
        case 1:  // a few bytes anywhere
            for (int n = 1 + int(pick(8)); n > 0; --n) b[pick(b.size())] ^= uint8_t(1 + pick(255));
            break;
        case 2: {  // a few bytes inside one table
            const Span s = tables[pick(tables.size())].second;
            for (int n = 1 + int(pick(4)); n > 0 && s.length > 0; --n)
                b[s.offset + pick(s.length)] = uint8_t(rng());
            break;
        }
        case 3: {  // a directory record's offset or length
            const size_t r = 12 + 16 * pick(be16(b, 4));
            if (r + 16 <= b.size())
                put32(b, r + 8 + 4 * pick(2), uint32_t(rng() % (b.size() + 64)));
            break;
        }
        case 4: {  // a loca entry: past glyf's end, backwards, or onto another glyph
            const size_t unit = longLoca ? 4 : 2, n = loca.length / unit;
            if (n < 2) break;
            const size_t i = pick(n), at = loca.offset + unit * i;
            uint32_t v = uint32_t(glyf.length + 1 + pick(64));
            if (rng() % 3 == 0) v = uint32_t(pick(glyf.length));
            if (longLoca)
                put32(b, at, v);
            else
                put16(b, at, uint16_t(v / 2));
            break;
        }
        case 5: {  // inside one glyph record: header, contour ends, instructions, flags
            const size_t unit = longLoca ? 4 : 2, n = loca.length / unit;
            if (n < 2) break;
            for (int tries = 0; tries < 20; ++tries) {
                const size_t g = pick(n - 1);
                const uint32_t from =
                    longLoca ? be32(b, loca.offset + 4 * g) : 2u * be16(b, loca.offset + 2 * g);
                const uint32_t to = longLoca ? be32(b, loca.offset + 4 * g + 4)
                                             : 2u * be16(b, loca.offset + 2 * g + 2);
                if (to <= from || to > glyf.length || to - from < 14) continue;
                const size_t at = glyf.offset + from + (rng() % 2 ? pick(14) : pick(to - from));
                b[at] = rng() % 2 ? uint8_t(rng()) : uint8_t(b[at] ^ (1u << pick(8)));
                break;
            }
            break;
        }
        default: {  // a count: glyphs, metrics, cmap segments, name records, kern pairs
            const char* const where[][2] = {{"maxp", "4"},  {"hhea", "34"}, {"cmap", "2"},
                                            {"name", "2"},  {"kern", "2"},  {"kern", "10"},
                                            {"post", "32"}, {"maxp", "6"}};
            const auto& w = where[pick(8)];
            const Span s = tableSpan(b, w[0]);
            const size_t at = s.offset + size_t(std::atoi(w[1]));
            if (s.length >= size_t(std::atoi(w[1])) + 2) {
                const uint16_t values[] = {
                    0, 1, 0xFFFF, 0x7FFF, 300, 301, uint16_t(be16(b, at) + 1), uint16_t(rng())};
                put16(b, at, values[pick(8)]);
            }
        }
    }
    return b;
}

// The engine's export on these bytes: a replaced glyph and a new one, as a user would.
bool extend(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& out, std::string& why) {
    FontFileState font;
    SessionSettings s;
    if (readExistingFont(bytes, font, s) != ReadStatus::Ok) {
        why = font.problem;
        return false;
    }
    if (font.charToGlyph[65] != 0) font.deleteMark[65] = true;
    ConvertedOutline conv;
    conv.points = {
        {0, 0, kContourStart}, {0, 700, kOnCurve}, {500, 700, kOnCurve}, {500, 0, kContourEnd}};
    conv.contourStarts = {0, 4};
    if (buildNewGlyph(conv, font.newGlyph) != kOutlineOk) return false;
    s.charNumber = 65;
    return updateFontMetrics(font, s) == SaveStatus::Ok && writeFontFile(font, s, out);
}

TEST(Corpus, MutatedRealFontsAreRefusedOrExtendedIntoValidFonts) {
    if (!run("command -v ots-sanitize >/dev/null")) GTEST_SKIP() << "install opentype-sanitizer";
    char tmpl[] = "/tmp/gx-tt-corpus-XXXXXX";
    gTmp = mkdtemp(tmpl);
    std::vector<std::string> sources;
    for (const char* f :
         {"/usr/share/fonts/truetype/ttf-bitstream-vera/Vera.ttf",
          "/usr/share/fonts/truetype/ttf-bitstream-vera/VeraSeBd.ttf",
          "/usr/share/wine/fonts/marlett.ttf", "/usr/share/wine/fonts/symbol.ttf",
          "/usr/share/wine/fonts/wingding.ttf", "/usr/share/wine/fonts/fixedsys.ttf"})
        if (access(f, R_OK) == 0) sources.push_back(f);
    const std::string dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (access(dejavu.c_str(), R_OK) == 0 &&
        run("/usr/bin/pyftsubset " + dejavu +
            " --unicodes='U+0020-007E,U+00A0-0131' --legacy-kern --notdef-outline"
            " --output-file=" +
            gTmp + "/dejavu-sub.ttf >/dev/null 2>&1"))
        sources.push_back(gTmp + "/dejavu-sub.ttf");
    if (sources.size() < 3)
        GTEST_SKIP() << "install ttf-bitstream-vera, fonts-wine and fonts-dejavu-core";

    std::mt19937 rng(20240521);
    constexpr int kVariantsPerFont = 72;
    int variants = 0, accepted = 0;
    std::ostringstream list;  // variant, output
    for (size_t f = 0; f < sources.size(); ++f) {
        const std::vector<uint8_t> original = readFile(sources[f]);
        for (int v = -1; v < kVariantsPerFont; ++v) {
            // Variant -1 is the font itself; it must be extended.
            const std::vector<uint8_t> input = v < 0 ? original : mutate(original, v % 7, rng);
            ++variants;
            std::vector<uint8_t> out;
            std::string why;
            const bool ok = extend(input, out, why);
            if (v < 0) {
                EXPECT_TRUE(ok) << sources[f] << ": " << why;
            }
            if (!ok) continue;
            ++accepted;
            const std::string name = gTmp + "/" + std::to_string(f) + "-" + std::to_string(v + 1);
            writeFile(name + "-in.ttf", input);
            writeFile(name + "-out.ttf", out);
            list << name << "\n";
        }
    }
    std::ofstream(gTmp + "/list") << list.str();
    // One shell for all of them: every written font through the sanitizer, and the inputs
    // of those it refuses, to tell damage we passed on from damage we made.
    ASSERT_TRUE(
        run("while read n; do ots-sanitize \"$n-out.ttf\" /dev/null >/dev/null 2>&1 || "
            "{ if ots-sanitize \"$n-in.ttf\" /dev/null >/dev/null 2>&1; then echo "
            "\"MADE INVALID $n\"; else echo \"PASSED ON $n\"; fi; }; done <" +
            gTmp + "/list >" + gTmp + "/result"));
    std::ifstream result(gTmp + "/result");
    const std::string failures(std::istreambuf_iterator<char>(result), {});
    EXPECT_EQ(failures, "") << "of " << accepted << " extended";
    std::printf("%d variants of %zu fonts, %d extended\n", variants, sources.size(), accepted);
    EXPECT_GT(accepted, int(sources.size()));  // the originals at least
    EXPECT_LT(accepted, variants);
    if (failures.empty()) run("rm -rf '" + gTmp + "'");
}

}  // namespace
}  // namespace gx::tt
