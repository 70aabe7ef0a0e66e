// Real Type 1 fonts from Debian packages and fonts this writer made, truncated and
// mutated hundreds of ways (a fixed seed, so every run sees the same variants). Each
// variant must be refused with the files left as they were, or extended into a font
// that is no worse than it was: what t1disasm took cleanly it still takes cleanly, and
// a sample of variants the whole validator suite accepted it still accepts.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <random>

#include "type1/cipher.h"
#include "type1/font_reader.h"
#include "type1_test_util.h"

namespace gx {
namespace {

const std::string kTools = std::string(GX_SOURCE_DIR) + "/tests/tools";

int shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

// t1disasm decodes the program without a word on standard error and finds as many
// CharStrings entries as the dictionary declares.
bool disassemblesCleanly(const std::string& path) {
    static const std::string script = [] {
        const std::string file = test::freshDirectory("corpus-check") + "/clean.sh";
        test::writeFile(file,
                        "out=$(mktemp) && trap 'rm -f $out' EXIT\n"
                        "[ -z \"$(t1disasm \"$1\" 2>&1 >$out)\" ] || exit 1\n"
                        "d=$(grep -a -m1 -oP '/CharStrings \\K\\d+' $out) || exit 1\n"
                        "n=$(sed -n '/\\/CharStrings/,$p' $out | grep -ac '^/[^ ]* {$')\n"
                        "[ \"$d\" = \"$n\" ]\n");
        return file;
    }();
    return shell("bash " + quoted(script) + " " + quoted(path) + " > /dev/null 2>&1") == 0;
}

bool passesEveryValidator(const std::string& path) {
    return shell(kTools + "/check-type1 " + quoted(path) + " > /dev/null 2>&1") == 0;
}

std::string toPfb(const std::string& source, const std::string& dir, const std::string& name) {
    const std::string out = dir + "/" + name + ".pfb";
    if (test::readFile(source).compare(0, 1, "\x80") == 0)
        return shell("cp " + quoted(source) + " " + quoted(out)) == 0 ? out : "";
    return shell("t1binary " + quoted(source) + " " + quoted(out) + " 2>/dev/null") == 0 ? out : "";
}

// A PFB of the given clear text and eexec plain text (its four lead bytes included).
std::string pfbOf(const std::string& clear, const std::string& plain) {
    std::string out;
    auto segment = [&out](char type, const std::string& data) {
        out += '\x80';
        out += type;
        const uint32_t n = uint32_t(data.size());
        for (int i = 0; i < 4; ++i) out += char(n >> (8 * i));
        out += data;
    };
    segment(1, clear);
    std::string cipher;
    Type1Cipher ee(kEexecKey);
    for (char c : plain) cipher += char(ee.encrypt(uint8_t(c)));
    segment(2, cipher);
    std::string trailer;
    for (int i = 0; i < 8; ++i) trailer += std::string(64, '0') + "\n";
    segment(1, trailer + "cleartomark\n");
    return out + "\x80\x03";
}

// The variants of one font: cut short, bytes changed in the file, and bytes, numbers
// and pieces changed in its decrypted part (so that charstrings, Subrs and counts are
// hit, not only the encryption).
std::vector<std::string> variantsOf(const std::string& pfb, std::mt19937& rng, int each) {
    std::vector<std::string> out{pfb};  // the font as it is comes first
    auto pick = [&rng](size_t n) { return n == 0 ? size_t(0) : size_t(rng() % n); };
    for (int i = 0; i < each; ++i) out.push_back(pfb.substr(0, pick(pfb.size())));
    for (int i = 0; i < each; ++i) {
        std::string v = pfb;
        for (int k = 0; k < 1 + i % 3; ++k) v[pick(v.size())] ^= char(1 + pick(255));
        out.push_back(v);
    }
    DecodedFontProgram decoded;
    std::string error;
    if (!decodeFontProgram(reinterpret_cast<const uint8_t*>(pfb.data()), pfb.size(), decoded,
                           error))
        return out;
    const std::string lead = "abcd";
    const std::string& plain = decoded.privateText;
    const char* numbers[] = {"0", "-1", "65535", "65536", "2147483647", "99999", "3"};
    for (int i = 0; i < each; ++i) {
        std::string p = plain;
        switch (i % 4) {
            case 0:  // bytes anywhere, charstrings included
                for (int k = 0; k < 1 + i % 5; ++k) p[pick(p.size())] = char(pick(256));
                break;
            case 1: {  // a number token replaced
                size_t at = pick(p.size());
                while (at < p.size() && !std::isdigit(uint8_t(p[at]))) ++at;
                size_t end = at;
                while (end < p.size() && std::isdigit(uint8_t(p[end]))) ++end;
                if (at < p.size()) p.replace(at, end - at, numbers[pick(7)]);
                break;
            }
            case 2: {  // a piece cut out
                size_t at = pick(p.size());
                p.erase(at, pick(64) + 1);
                break;
            }
            default: {  // a piece repeated
                size_t at = pick(p.size());
                p.insert(at, p.substr(at, pick(64) + 1));
                break;
            }
        }
        out.push_back(pfbOf(decoded.clearText, lead + p));
    }
    return out;
}

struct Tally {
    int refused = 0, extended = 0, fullyChecked = 0;
};

void exportEach(const std::string& label, const std::string& pfb, const std::string& dir,
                std::mt19937& rng, int each, Tally& tally) {
    const std::vector<std::string> variants = variantsOf(pfb, rng, each);
    test::Outline o;
    o.square(0, 0, 400, 600, false);
    for (size_t i = 0; i < variants.size(); ++i) {
        const std::string name = dir + "/" + label + "-" + std::to_string(i);
        const std::string font = name + ".pfb";
        test::writeFile(font, variants[i]);
        const std::string input = dir + "/input.pfb";
        test::writeFile(input, variants[i]);
        SessionSettings settings = test::type1Settings();
        settings.charNumber = int16_t(33 + i % 200);
        test::ExportResult r = test::exportGlyph(font, o, settings);
        if (!r.ok) {
            ++tally.refused;
            EXPECT_FALSE(r.error.empty()) << label << " variant " << i;
            EXPECT_EQ(test::readFile(font), variants[i]) << label << " variant " << i;
            EXPECT_FALSE(platform::FontFile::exists(name + ".afm")) << label << " variant " << i;
            continue;
        }
        ++tally.extended;
        // What we wrote reads back, and is no worse than what we were given.
        const std::string written = test::readFile(font);
        Type1FontState back;
        SessionSettings backSettings = test::type1Settings();
        std::string error;
        EXPECT_TRUE(readType1Program(reinterpret_cast<const uint8_t*>(written.data()),
                                     written.size(), back, backSettings, error))
            << label << " variant " << i << ": " << error;
        if (!disassemblesCleanly(input)) continue;
        if (!disassemblesCleanly(font)) {
            const std::string keep = name + ".input.pfb";
            shell("cp " + quoted(input) + " " + quoted(keep));
            ADD_FAILURE() << label << " variant " << i << " was made worse; input kept as " << keep;
        }
        // The whole suite takes seconds a font: a sample, the font as it was among them.
        if (i % 25 == 0 && passesEveryValidator(input)) {
            ++tally.fullyChecked;
            EXPECT_TRUE(passesEveryValidator(font)) << label << " variant " << i;
        }
    }
}

TEST(Type1Corpus, MutatedFontsAreRefusedOrExtendedIntoNoWorseFonts) {
    if (shell("command -v t1disasm t1binary > /dev/null") != 0) GTEST_SKIP() << "install t1utils";
    const std::string dir = test::freshDirectory("corpus");
    std::mt19937 rng(20261208);
    Tally tally;

    // A font this writer made, with a few glyphs, and one of its symbol fonts.
    for (int symbol = 0; symbol < 2; ++symbol) {
        const std::string own = dir + "/own" + std::to_string(symbol) + ".pfb";
        SessionSettings settings = test::type1Settings();
        settings.symbolFont = int16_t(symbol);
        test::Outline o;
        o.square(0, 0, 500, 700, false);
        for (int code = 65; code < 70; ++code) {
            settings.charNumber = int16_t(code);
            ASSERT_TRUE(test::exportGlyph(own, o, settings).ok);
        }
        exportEach("own" + std::to_string(symbol), test::readFile(own), dir, rng, 25, tally);
    }
    const char* real[] = {
        "/usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1",
        "/usr/share/fonts/type1/urw-base35/StandardSymbolsPS.t1",
        "/usr/share/texmf/fonts/type1/public/cm-super/sfrm1000.pfb",
    };
    int found = 0;
    for (const char* path : real) {
        if (!platform::FontFile::exists(path)) continue;
        ++found;
        const std::string label = "real" + std::to_string(found);
        const std::string pfb = toPfb(path, dir, label + "-source");
        ASSERT_FALSE(pfb.empty()) << path;
        exportEach(label, test::readFile(pfb), dir, rng, 20, tally);
    }
    if (found == 0) std::printf("no real fonts: install fonts-urw-base35 and cm-super-minimal\n");
    std::printf("corpus: %d variants refused, %d extended, %d checked by every validator\n",
                tally.refused, tally.extended, tally.fullyChecked);
    EXPECT_GT(tally.extended, 0);
    EXPECT_GT(tally.refused, 0);
}

}  // namespace
}  // namespace gx
