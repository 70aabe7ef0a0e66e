#include <gtest/gtest.h>

#include "type1/cipher.h"
#include "type1/font_program.h"
#include "type1/font_reader.h"
#include "type1_test_util.h"

namespace gx {
namespace {

std::vector<uint8_t> newFontProgram(SessionSettings settings) {
    Type1FontState s;
    test::Outline o;
    o.square(0, 0, 500, 700, false);
    buildCharString(s, settings, 0, 0, o.points.data(), o.types.data(), o.count());
    s.symbol = settings.symbolFont;
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    return buildFontProgram(s, settings);
}

bool read(const std::vector<uint8_t>& bytes, Type1FontState& s, SessionSettings& settings,
          std::string& error) {
    return readType1Program(bytes.data(), bytes.size(), s, settings, error);
}

// The clear text and the encrypted bytes of a PFB written by buildFontProgram.
void split(const std::vector<uint8_t>& pfb, std::string& clear, std::string& cipher) {
    uint32_t l1 = pfb[2] | pfb[3] << 8 | pfb[4] << 16 | uint32_t(pfb[5]) << 24;
    size_t at2 = 6 + l1;
    uint32_t l2 =
        pfb[at2 + 2] | pfb[at2 + 3] << 8 | pfb[at2 + 4] << 16 | uint32_t(pfb[at2 + 5]) << 24;
    clear.assign(pfb.begin() + 6, pfb.begin() + long(at2));
    cipher.assign(pfb.begin() + long(at2 + 6), pfb.begin() + long(at2 + 6 + l2));
}

TEST(Reader, WrittenFontReadsBack) {
    SessionSettings settings = test::type1Settings();
    settings.style = 3;
    std::vector<uint8_t> pfb = newFontProgram(settings);
    Type1FontState s;
    SessionSettings back = test::type1Settings();
    back.familyName.clear();
    back.style = 0;
    std::string error;
    ASSERT_TRUE(read(pfb, s, back, error)) << error;
    EXPECT_EQ(back.familyName, "Test Font");
    EXPECT_EQ(back.style, 3);
    EXPECT_EQ(s.italicAngle, 1);
    EXPECT_EQ(s.urx, 500);
    EXPECT_EQ(s.ury, 700);
    EXPECT_EQ(s.widths[65], 525);
    EXPECT_EQ(s.glyphPresent[65], 1);
    EXPECT_EQ(s.glyphPresent[32], 1);
    EXPECT_EQ(back.spaceWidth, 250);
    EXPECT_EQ(s.preservedGlyphs.size(), 3u);
    EXPECT_EQ(s.symbol, 0);
    EXPECT_EQ(s.lenIV, 4);
    EXPECT_EQ(s.preservedPrivateText.compare(0, 9, "/Private "), 0);
}

TEST(Reader, SymbolFontFindsItsCodesAgain) {
    SessionSettings settings = test::type1Settings();
    settings.symbolFont = 1;
    std::vector<uint8_t> pfb = newFontProgram(settings);
    Type1FontState s;
    std::string error;
    ASSERT_TRUE(read(pfb, s, settings, error)) << error;
    EXPECT_EQ(s.symbol, 1);
    EXPECT_EQ(settings.symbolFont, 1);
    EXPECT_EQ(codeForGlyphName(s, "c65"), 65);
    EXPECT_EQ(s.glyphPresent[65], 1);
    EXPECT_EQ(s.unknownGlyphCount, 0);
}

TEST(Reader, PfaWithHexBrokenIntoLinesAndRawBinaryReadAlike) {
    SessionSettings settings = test::type1Settings();
    std::vector<uint8_t> pfb = newFontProgram(settings);
    std::string clear, cipher;
    split(pfb, clear, cipher);
    std::string pfa = clear + "\n";
    static const char* hex = "0123456789abcdef";
    for (size_t i = 0; i < cipher.size(); ++i) {
        pfa += hex[uint8_t(cipher[i]) >> 4];
        pfa += hex[uint8_t(cipher[i]) & 15];
        if (i % 32 == 31) pfa += "\r\n";
    }
    pfa += "\n" + std::string(64, '0') + "\ncleartomark\n";
    std::string raw = clear + cipher + std::string(64, '0') + "\rcleartomark\r";
    for (const std::string& text : {pfa, raw}) {
        Type1FontState s;
        SessionSettings back = test::type1Settings();
        std::string error;
        ASSERT_TRUE(readType1Program(reinterpret_cast<const uint8_t*>(text.data()), text.size(), s,
                                     back, error))
            << error;
        EXPECT_EQ(s.glyphPresent[65], 1);
        EXPECT_EQ(s.preservedGlyphs.size(), 3u);
    }
}

// A hand-made plain font program: clear text, then an eexec part built from `privateText`.
std::string handMadeFont(const std::string& header, const std::string& privateText) {
    std::string plain = "abcd" + privateText;
    std::string out = header + "currentfile eexec\r";
    Type1Cipher ee(kEexecKey);
    for (char c : plain) out += char(ee.encrypt(uint8_t(c)));
    return out;
}

std::string charString(const std::vector<uint8_t>& program, int lenIV) {
    std::vector<uint8_t> b(size_t(std::max(lenIV, 0)), 0);
    b.insert(b.end(), program.begin(), program.end());
    if (lenIV >= 0) Type1Cipher(kCharStringKey).encrypt(b.data(), b.size());
    return std::to_string(b.size()) + " -| " + std::string(b.begin(), b.end()) + " |-\n";
}

// A Private dictionary with lenIV 0 whose CharStrings are `names`, each drawn by `glyph`.
std::string privateWithGlyphs(const std::vector<std::string>& names,
                              const std::vector<uint8_t>& glyph) {
    std::string text = "dup/Private 8 dict dup begin\n/lenIV 0 def\n2 index /CharStrings " +
                       std::to_string(names.size()) + " dict dup begin\n";
    for (const std::string& name : names) text += "/" + name + " " + charString(glyph, 0);
    return text + "end\nend\n";
}

bool readHandMade(const std::string& font, Type1FontState& s, SessionSettings& settings,
                  std::string& error) {
    return readType1Program(reinterpret_cast<const uint8_t*>(font.data()), font.size(), s, settings,
                            error);
}

// The font program written from `s`, read back into `again`.
bool writtenReadsBack(Type1FontState& s, const SessionSettings& settings, Type1FontState& again,
                      std::string& error) {
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    const std::vector<uint8_t> pfb = buildFontProgram(s, settings);
    SessionSettings back = test::type1Settings();
    return read(pfb, again, back, error);
}

// A square added at `code`, then the font program written from `s` and read back into
// `again`.
::testing::AssertionResult squareAddedReadsBack(Type1FontState& s, SessionSettings& settings,
                                                int code, Type1FontState& again) {
    settings.charNumber = int16_t(code);
    test::Outline o;
    o.square(0, 0, 500, 700, false);
    if (buildCharString(s, settings, 0, 0, o.points.data(), o.types.data(), o.count()) !=
        CharStringStatus::Ok)
        return ::testing::AssertionFailure() << "the square was refused";
    std::string error;
    if (!writtenReadsBack(s, settings, again, error)) return ::testing::AssertionFailure() << error;
    return ::testing::AssertionSuccess();
}

TEST(Reader, BarStyleLenIVZeroAndRadixEncoding) {
    std::vector<uint8_t> glyph{139, 247, 0, kCsHsbw, kCsEndchar};  // width 108
    std::string privateText =
        "dup/Private 8 dict dup begin\n/-|{string currentfile exch readstring pop}executeonly def\n"
        "/lenIV 0 def\n/Subrs 1 array\ndup 0 " +
        charString({11}, 0) + "2 index /CharStrings 3 dict dup begin\n/.notdef " +
        charString(glyph, 0) + "/square " + charString(glyph, 0) + "/extra " +
        charString(glyph, 0) + "end\nend\n";
    std::string header =
        "%!PS-AdobeFont-1.0: X\n/FontName /X def\n/Encoding 256 array\n"
        "0 1 255 {1 index exch /.notdef put} for\ndup 8#101 /square put\ndup 3 /ctrl put\n"
        "readonly def\n/FontBBox{-10 -20 300 400}readonly def\n";
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    std::string error;
    ASSERT_TRUE(readHandMade(handMadeFont(header, privateText), s, settings, error)) << error;
    EXPECT_EQ(s.lenIV, 0);
    EXPECT_EQ(s.charStringStyle, CharStringStyle::Bar);
    EXPECT_EQ(s.symbol, 1);
    EXPECT_EQ(s.glyphPresent[65], 1);  // 8#101 is 65
    EXPECT_EQ(s.widths[65], 108);
    EXPECT_EQ(s.encodingNames[3], "ctrl");
    EXPECT_EQ(s.unknownGlyphCount, 1);  // "extra" has no code and is kept by name
    EXPECT_EQ(s.llx, -10);
    EXPECT_EQ(s.ury, 400);
    EXPECT_EQ(s.preservedGlyphs[1].program, glyph);

    // Written back, the charstrings keep lenIV 0, the bar style and the old names.
    s.cNames = 1;
    settings.charNumber = 66;
    s.newGlyphPending = 0;
    Type1FontState again;
    ASSERT_TRUE(writtenReadsBack(s, settings, again, error)) << error;
    EXPECT_EQ(again.lenIV, 0);
    EXPECT_EQ(again.charStringStyle, CharStringStyle::Bar);
    EXPECT_EQ(again.glyphPresent[65], 1);
    EXPECT_EQ(again.encodingNames[65], "square");
    EXPECT_EQ(again.encodingNames[3], "ctrl");
    EXPECT_EQ(again.encodingNames[66], "c66");
    EXPECT_EQ(again.preservedGlyphs.size(), 4u);  // .notdef, square, extra and an added space
}

// With its own encoding, a font's names map to codes through that encoding alone: a
// standard name placed at another code, or left out, keeps its glyph and its name.
TEST(Reader, OwnEncodingAloneGivesCodes) {
    std::vector<uint8_t> glyph{139, 247, 0, kCsHsbw, kCsEndchar};
    std::string privateText = privateWithGlyphs({".notdef", "space", "bullet", "A"}, glyph);
    std::string header =
        "%!PS-AdobeFont-1.0: X\n/FontName /X def\n/Encoding 256 array\n"
        "0 1 255 {1 index exch /.notdef put} for\ndup 32 /space put\ndup 183 /bullet put\n"
        "readonly def\n";
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    std::string error;
    ASSERT_TRUE(readHandMade(handMadeFont(header, privateText), s, settings, error)) << error;
    EXPECT_EQ(s.glyphPresent[183], 1);
    EXPECT_EQ(s.glyphPresent[149], 0);  // "bullet" in the built-in table
    EXPECT_EQ(s.glyphPresent[65], 0);   // "A" is not in the font's encoding
    EXPECT_EQ(s.unknownGlyphCount, 1);

    s.cNames = 1;
    s.newGlyphPending = 0;
    finishFontMetrics(s, settings);
    std::vector<std::string> names;
    for (const GlyphEntry& e : charStringEntries(s, settings)) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{".notdef", "space", "bullet", "A"}));
}

// A later /Encoding replaces an earlier one whole: a name only the earlier one gave a
// code keeps no code, and a glyph added at that code is not written under the name of
// the glyph kept by name (the font would define it twice).
TEST(Reader, ALaterEncodingReplacesTheEarlierOneWhole) {
    std::vector<uint8_t> glyph{139, 247, 0, kCsHsbw, kCsEndchar};
    std::string privateText = privateWithGlyphs({".notdef", "space", "A"}, glyph);
    std::string header =
        "%!PS-AdobeFont-1.0: X\n/FontName /X def\n/Encoding 256 array\n"
        "0 1 255 {1 index exch /.notdef put} for\ndup 3 /ctrl put\ndup 65 /A put\nreadonly def\n"
        "/Encoding 256 array\n0 1 255 {1 index exch /.notdef put} for\ndup 32 /space put\n"
        "readonly def\n";
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    std::string error;
    ASSERT_TRUE(readHandMade(handMadeFont(header, privateText), s, settings, error)) << error;
    EXPECT_EQ(s.glyphPresent[65], 0);
    EXPECT_EQ(s.encodingNames[65], "");
    EXPECT_EQ(s.encodingNames[3], "");
    EXPECT_EQ(s.unknownGlyphCount, 1);

    s.cNames = 1;
    Type1FontState again;
    ASSERT_TRUE(squareAddedReadsBack(s, settings, 65, again));
    EXPECT_EQ(again.glyphPresent[65], 1);
    EXPECT_EQ(again.unknownGlyphCount, 1);  // "A", still kept by name
}

// StandardEncoding after an array of the font's own replaces it too: the array's name
// for a code no longer gives that code, so a glyph added there is written under the
// standard name and read back at its code.
TEST(Reader, StandardEncodingAfterAnArrayReplacesIt) {
    std::vector<uint8_t> glyph{139, 247, 0, kCsHsbw, kCsEndchar};
    std::string privateText = privateWithGlyphs({".notdef", "space", "square"}, glyph);
    std::string header =
        "%!PS-AdobeFont-1.0: X\n/FontName /X def\n/Encoding 256 array\n"
        "0 1 255 {1 index exch /.notdef put} for\ndup 66 /square put\nreadonly def\n"
        "/Encoding StandardEncoding def\n";
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    std::string error;
    ASSERT_TRUE(readHandMade(handMadeFont(header, privateText), s, settings, error)) << error;
    EXPECT_EQ(s.symbol, 0);
    EXPECT_EQ(s.glyphPresent[66], 0);
    EXPECT_EQ(s.encodingNames[66], "");
    EXPECT_EQ(fileGlyphName(s, 66), "B");
    EXPECT_EQ(s.unknownGlyphCount, 1);

    Type1FontState again;
    ASSERT_TRUE(squareAddedReadsBack(s, settings, 66, again));
    EXPECT_EQ(again.glyphPresent[66], 1);
    EXPECT_EQ(again.unknownGlyphCount, 1);  // "square", still kept by name
}

TEST(Reader, MalformedProgramsAreRefusedWithoutCrashing) {
    SessionSettings settings = test::type1Settings();
    std::vector<uint8_t> pfb = newFontProgram(settings);
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({});
    bad.push_back({0x80, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'a'});  // segment longer than the file
    bad.push_back({0x80, 0x07, 0, 0, 0, 0});                   // unknown segment type
    for (size_t cut : {size_t(7), pfb.size() / 2, pfb.size() - 600}) {
        bad.emplace_back(pfb.begin(), pfb.begin() + long(cut));
    }
    std::string noCharStrings =
        handMadeFont("/FontName /X def\n", "dup /Private 1 dict dup begin\nend\n");
    bad.emplace_back(noCharStrings.begin(), noCharStrings.end());
    std::string hugeLength = handMadeFont(
        "", "dup /Private 1 dict\n/CharStrings 1 dict dup begin\n/A 99999999 RD xx ND\nend\n");
    bad.emplace_back(hugeLength.begin(), hugeLength.end());
    std::string negative = handMadeFont(
        "", "dup /Private 1 dict\n/CharStrings 1 dict dup begin\n/A -5 RD xx ND\nend\n");
    bad.emplace_back(negative.begin(), negative.end());
    std::string longToken = handMadeFont("", "/Private " + std::string(300, 'x') + "\n");
    bad.emplace_back(longToken.begin(), longToken.end());
    std::string badLenIV = handMadeFont("", "/Private 1 dict /lenIV 100000 def\n");
    bad.emplace_back(badLenIV.begin(), badLenIV.end());
    for (const auto& bytes : bad) {
        Type1FontState s;
        SessionSettings back = test::type1Settings();
        std::string error;
        EXPECT_FALSE(read(bytes, s, back, error)) << bytes.size();
        EXPECT_FALSE(error.empty());
    }
}

// A font whose Private dictionary or charstrings no interpreter can run, or that asks
// for absurd allocations, is refused as damaged: written back, it would stay so.
TEST(Reader, DamagedSubrsCharStringsAndAbsurdCountsAreRefused) {
    const std::vector<uint8_t> glyph{139, 247, 0, kCsHsbw, kCsEndchar};
    auto font = [&](const std::string& subrs, const std::vector<uint8_t>& program) {
        return handMadeFont("/FontName /X def\n",
                            "dup/Private 8 dict dup begin\n/-|{string currentfile exch readstring "
                            "pop}executeonly def\n" +
                                subrs + "2 index /CharStrings 2 dict dup begin\n/.notdef " +
                                charString(glyph, 4) + "/A " + charString(program, 4) +
                                "end\nend\n");
    };
    auto refusal = [](const std::string& bytes) {
        Type1FontState s;
        SessionSettings settings = test::type1Settings();
        std::string error;
        if (readType1Program(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), s,
                             settings, error))
            return std::string("read");
        return error;
    };
    const std::string goodSubrs = "/Subrs 2 array\ndup 0 " + charString({11}, 4) + "dup 1 " +
                                  charString({139, 139, 21, 11}, 4) + "ND\n";
    EXPECT_EQ(refusal(font(goodSubrs, glyph)), "read");
    const std::string damaged[] = {
        refusal(font("/Subrs 2147483647 array\ndup 0 " + charString({11}, 4) + "ND\n", glyph)),
        refusal(font("/Subrs 1 array\ndup 5 " + charString({11}, 4) + "ND\n", glyph)),
        refusal(font("/Subrs 1 array\ndup 0 " + charString({2, 11}, 4) + "ND\n", glyph)),
        refusal(font("/Subrs 1 array\ndup 0 " + charString({12, 99, 11}, 4) + "ND\n", glyph)),
        refusal(font("/Subrs 1 array\ndup 0 2 -| xy |-\nND\n", glyph)),  // shorter than lenIV
        refusal(font("/Subrs 70000 array\n", glyph)),
        refusal(font("/OtherSubrs 99999999 dict\n", glyph)),
        refusal(font(goodSubrs, {139, 247, 0, kCsHsbw, 255, 0, 0})),  // number cut short
        refusal(font(goodSubrs, {139, 247, 0, kCsHsbw, 17, kCsEndchar})),
        refusal(font(goodSubrs, {139, 247, 0, kCsHsbw, 12})),
    };
    for (const std::string& why : damaged) {
        EXPECT_NE(why, "read");
        EXPECT_NE(why.find("damaged"), std::string::npos) << why;
    }
}

TEST(Reader, WidthsAndBoxesBeyondSixteenBitsAreKeptAsTheyWere) {
    std::vector<uint8_t> wide{139, 255, 0, 0, 0x9C, 0x40, kCsHsbw, kCsEndchar};  // width 40000
    const std::string text = handMadeFont(
        "/FontName /X def\n/FontBBox {-50000 -10 60000 70000} readonly def\n",
        "dup/Private 8 dict dup begin\n/-|{string currentfile exch readstring pop}executeonly "
        "def\n2 index /CharStrings 2 dict dup begin\n/A " +
            charString(wide, 4) + "end\nend\n");
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    std::string error;
    ASSERT_TRUE(readType1Program(reinterpret_cast<const uint8_t*>(text.data()), text.size(), s,
                                 settings, error))
        << error;
    EXPECT_EQ(s.widths[65], 32767);
    EXPECT_EQ(withCharStringWidth(s.preservedGlyphs[0].program, s.widths[65]), wide);
    s.newGlyphPending = 0;
    finishFontMetrics(s, settings);
    buildFontNames(s, settings);
    std::vector<uint8_t> pfb = buildFontProgram(s, settings);
    Type1FontState again;
    ASSERT_TRUE(readType1Program(pfb.data(), pfb.size(), again, settings, error)) << error;
    EXPECT_EQ(again.llx, -50000);
    EXPECT_EQ(again.urx, 60000);
    EXPECT_EQ(again.ury, 70000);
    ASSERT_EQ(again.preservedGlyphs[1].name, "A");
    EXPECT_EQ(again.preservedGlyphs[1].program, wide);
}

TEST(Reader, EveryTruncationAndByteFlipFailsCleanlyOrReads) {
    SessionSettings settings = test::type1Settings();
    std::vector<uint8_t> pfb = newFontProgram(settings);
    for (size_t i = 0; i < pfb.size(); i += 7) {
        std::vector<uint8_t> flipped = pfb;
        flipped[i] ^= 0x5A;
        Type1FontState s;
        SessionSettings back = test::type1Settings();
        std::string error;
        read(flipped, s, back, error);
        std::vector<uint8_t> cut(pfb.begin(), pfb.begin() + long(i));
        read(cut, s, back, error);
    }
}

}  // namespace
}  // namespace gx
