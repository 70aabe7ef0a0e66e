#include <gtest/gtest.h>

#include "type1/charstring.h"
#include "type1/charstring_bounds.h"
#include "type1/cipher.h"
#include "type1_test_util.h"

namespace gx {
namespace {

std::vector<uint8_t> encoded(int32_t v) {
    std::vector<uint8_t> out;
    encodeCharStringNumber(v, out);
    return out;
}

TEST(CharStringNumber, RangeBoundariesUseThePublishedForms) {
    EXPECT_EQ(encoded(0), (std::vector<uint8_t>{139}));
    EXPECT_EQ(encoded(107), (std::vector<uint8_t>{246}));
    EXPECT_EQ(encoded(-107), (std::vector<uint8_t>{32}));
    EXPECT_EQ(encoded(108), (std::vector<uint8_t>{247, 0}));
    EXPECT_EQ(encoded(1131), (std::vector<uint8_t>{250, 255}));
    EXPECT_EQ(encoded(-108), (std::vector<uint8_t>{251, 0}));
    EXPECT_EQ(encoded(-1131), (std::vector<uint8_t>{254, 255}));
    EXPECT_EQ(encoded(1132), (std::vector<uint8_t>{255, 0, 0, 4, 108}));
    EXPECT_EQ(encoded(-1132), (std::vector<uint8_t>{255, 0xFF, 0xFF, 0xFB, 0x94}));
}

TEST(CharStringNumber, WidthReadBackMatchesEveryForm) {
    for (int32_t v : {0, 107, 108, 1131, 1132, -107, -108, -1131, -1132, 32767, -32768}) {
        std::vector<uint8_t> program = encoded(0);
        encodeCharStringNumber(v, program);
        program.push_back(kCsHsbw);
        EXPECT_EQ(charStringWidth(program.data(), program.size()), v);
    }
}

TEST(Type1Cipher, MatchesThePublishedAlgorithm) {
    // Computed independently from the published recurrence.
    const uint8_t eexecPlain[] = {'{', 'Q', '.', '0', 'd', 'u', 'p', ' '};
    const uint8_t eexecCipher[] = {0xa2, 0x2d, 0xd3, 0x3c, 0xb9, 0xa1, 0xb8, 0x4f};
    uint8_t buffer[8];
    std::copy(eexecPlain, eexecPlain + 8, buffer);
    Type1Cipher(kEexecKey).encrypt(buffer, 8);
    EXPECT_TRUE(std::equal(buffer, buffer + 8, eexecCipher));
    Type1Cipher(kEexecKey).decrypt(buffer, 8);
    EXPECT_TRUE(std::equal(buffer, buffer + 8, eexecPlain));

    uint8_t cs[] = {20, 21, 22, 23, 139, 139, 13, 14};
    const uint8_t csCipher[] = {0x04, 0x07, 0x80, 0x47, 0x79, 0xf1, 0x25, 0x06};
    Type1Cipher(kCharStringKey).encrypt(cs, 8);
    EXPECT_TRUE(std::equal(cs, cs + 8, csCipher));
}

// The points of the built glyph, decoded from its program, in drawing order.
std::vector<std::pair<int, int>> decodePath(const std::vector<uint8_t>& p) {
    std::vector<std::pair<int, int>> pts;
    std::vector<int32_t> stack;
    int x = 0, y = 0;
    for (size_t i = 0; i < p.size();) {
        uint8_t b = p[i];
        if (b >= 32) {
            size_t len = b <= 246 ? 1 : (b <= 254 ? 2 : 5);
            std::vector<uint8_t> one(p.begin() + long(i), p.begin() + long(i + len));
            one.push_back(kCsHsbw);
            std::vector<uint8_t> probe{139};
            probe.insert(probe.end(), one.begin(), one.end());
            stack.push_back(charStringWidth(probe.data(), probe.size()));
            i += len;
            continue;
        }
        if (b == kCsHsbw) x = stack[0], y = 0;
        if (b == kCsRmoveto || b == kCsRlineto) {
            x += stack[0], y += stack[1];
            pts.emplace_back(x, y);
        }
        if (b == kCsRrcurveto) {
            for (int k = 0; k < 3; ++k) {
                x += stack[size_t(2 * k)], y += stack[size_t(2 * k + 1)];
                pts.emplace_back(x, y);
            }
        }
        stack.clear();
        ++i;
    }
    return pts;
}

int64_t signedArea(const std::vector<std::pair<int, int>>& pts, size_t from, size_t to) {
    int64_t a = 0;
    for (size_t i = from; i < to; ++i) {
        size_t j = i + 1 < to ? i + 1 : from;
        a += int64_t(pts[i].first) * pts[j].second - int64_t(pts[j].first) * pts[i].second;
    }
    return a;  // positive: counter-clockwise with y up
}

CharStringStatus build(Type1FontState& s, const test::Outline& o, SessionSettings settings) {
    return buildCharString(s, settings, 0, 0, o.points.data(), o.types.data(), o.count());
}

TEST(Directions, ALoneSquareEndsClockwiseWhicheverWayItWasDrawn) {
    for (bool ccw : {true, false}) {
        test::Outline o;
        o.square(0, 0, 500, 700, ccw);
        Type1FontState s;
        ASSERT_EQ(build(s, o, test::type1Settings()), CharStringStatus::Ok);
        auto pts = decodePath(s.newGlyphProgram);
        ASSERT_GE(pts.size(), 4u);
        EXPECT_LT(signedArea(pts, 0, pts.size()), 0) << "drawn ccw=" << ccw;
    }
}

TEST(Directions, ARingGetsAClockwiseOuterAndACounterClockwiseInner) {
    test::Outline o;
    o.square(0, 0, 600, 600, true);
    o.square(200, 200, 400, 400, true);
    Type1FontState s;
    ASSERT_EQ(build(s, o, test::type1Settings()), CharStringStatus::Ok);
    auto pts = decodePath(s.newGlyphProgram);
    ASSERT_EQ(pts.size(), 8u);  // moveto and three lines per square, closepath for the fourth
    EXPECT_LT(signedArea(pts, 0, 4), 0);
    EXPECT_GT(signedArea(pts, 4, 8), 0);
}

TEST(Directions, AHoleDrawnWithoutRepeatingItsFirstPointStaysAHole) {
    // As an SVG path "M 70 70 L 115 70 L 115 115 L 70 115 Z M 80 80 L 80 105 L 105 105
    // L 105 80 Z" arrives after the y flip: neither contour repeats its first point, so
    // each one's closing edge exists only through closepath.
    test::Outline o;
    o.start(700, 500);
    o.line(1150, 500);
    o.line(1150, 50);
    o.line(700, 50, true);
    o.start(800, 400);
    o.line(800, 150);
    o.line(1050, 150);
    o.line(1050, 400, true);
    Type1FontState s;
    ASSERT_EQ(build(s, o, test::type1Settings()), CharStringStatus::Ok);
    auto pts = decodePath(s.newGlyphProgram);
    ASSERT_EQ(pts.size(), 8u);
    EXPECT_LT(signedArea(pts, 0, 4), 0);
    EXPECT_GT(signedArea(pts, 4, 8), 0) << "the inner square must run against the outer one";
}

TEST(Directions, ReversingACurveKeepsItACurveWithSwappedControls) {
    test::Outline o;
    o.start(0, 0);
    o.line(100, 0);
    o.curve(100, 50, 50, 100, 0, 100, true);  // counter-clockwise, closes on a curve
    std::vector<PathPoint> pts;
    std::vector<int> starts;
    buildPathPoints(o.points.data(), o.types.data(), o.count(), pts, starts);
    fixContourDirections(pts, starts);
    ASSERT_EQ(pts.size(), 5u);
    EXPECT_EQ(pts[0].x, 0);
    EXPECT_EQ(pts[0].y, 100);
    EXPECT_EQ(pts[1].kind, kPointCurve);
    EXPECT_EQ(pts[1].x, 50);  // the old second control comes first
    EXPECT_EQ(pts[2].x, 100);
    EXPECT_EQ(pts[2].y, 50);
    EXPECT_EQ(pts[3].kind, kPointCurve);
    EXPECT_EQ(pts[4].kind, kPointLast);
    EXPECT_EQ(pts[4].x, 0);
    EXPECT_EQ(pts[4].y, 0);
}

TEST(Widths, AutoWidthIsFivePercentBeyondTheRightEdge) {
    test::Outline o;
    o.square(0, 0, 600, 600, false);
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    ASSERT_EQ(build(s, o, settings), CharStringStatus::Ok);
    EXPECT_EQ(s.widths[65], 630);
    settings.autoWidth = 0;
    ASSERT_EQ(build(s, o, settings), CharStringStatus::Ok);
    EXPECT_EQ(s.widths[65], 600);
    s.charMetricsLoaded = 1;
    s.loadedWidths[65] = 777;
    s.loadedWidthSet[65] = 1;
    ASSERT_EQ(build(s, o, settings), CharStringStatus::Ok);
    EXPECT_EQ(s.widths[65], 777);
    EXPECT_EQ(charStringWidth(s.newGlyphProgram.data(), s.newGlyphProgram.size()), 777);
    s.loadedWidthSet[65] = 0;  // metrics that do not name the code leave the choice alone
    ASSERT_EQ(build(s, o, settings), CharStringStatus::Ok);
    EXPECT_EQ(s.widths[65], 600);
}

TEST(Widths, ScalingUsesGridOverDesignSizeAndTheOrigin) {
    test::Outline o;
    o.square(1000, 1000, 1500, 2000, false);
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    settings.designSize = 2000;
    ASSERT_EQ(buildCharString(s, settings, 1000, 1000, o.points.data(), o.types.data(), o.count()),
              CharStringStatus::Ok);
    EXPECT_EQ(s.minX, 0);
    EXPECT_EQ(s.maxX, 250);
    EXPECT_EQ(s.maxY, 500);
}

// Coordinates are taken whole: far from the origin, or far beyond 16 bits before a
// small scale brings them onto the grid, a shape lands where it was drawn.
TEST(Widths, CoordinatesBeyondSixteenBitsLandWhereTheyWereDrawn) {
    test::Outline far;
    far.square(100000, 200000, 100500, 200700, true);
    Type1FontState s;
    SessionSettings settings = test::type1Settings();
    ASSERT_EQ(buildCharString(s, settings, 100000, 200000, far.points.data(), far.types.data(),
                              far.count()),
              CharStringStatus::Ok);
    EXPECT_EQ(s.minX, 0);
    EXPECT_EQ(s.maxX, 500);
    EXPECT_EQ(s.maxY, 700);

    // 900 mm at a 16-inch em: 35433 thousandths of an inch become 2215 units.
    test::Outline big;
    big.square(0, 0, 35433, 35433, false);
    settings.designSize = 16000;
    ASSERT_EQ(build(s, big, settings), CharStringStatus::Ok);
    EXPECT_EQ(s.minX, 0);
    EXPECT_EQ(s.maxX, 2215);
    EXPECT_EQ(s.maxY, 2215);
    EXPECT_EQ(s.widths[65], 2325);

    // Beyond the font's range after scaling, the shape and the width are refused.
    settings = test::type1Settings();
    big = test::Outline();
    big.square(-40000, 0, 0, 100, false);
    EXPECT_EQ(build(s, big, settings), CharStringStatus::OutOfRange);
    big = test::Outline();
    big.square(0, 0, 32000, 100, false);  // fits, but 5 % more width does not
    EXPECT_EQ(build(s, big, settings), CharStringStatus::OutOfRange);
    settings.autoWidth = 0;
    EXPECT_EQ(build(s, big, settings), CharStringStatus::Ok);
}

// A clockwise coil of forty turns a billion units wide makes every term of the area sum
// about 2e18 and of one sign; the direction must still come out right, without overflow.
TEST(Directions, HugeCoilKeepsItsDirectionWithoutOverflow) {
    const int32_t big = 1000000000;
    test::Outline o;
    o.start(0, big);
    for (int i = 0; i < 40; ++i) {
        o.line(big, big - i);
        o.line(big, -big + i);
        o.line(0, -big + i);
        o.line(0, big - i - 1);
    }
    o.line(0, big, true);
    std::vector<PathPoint> pts;
    std::vector<int> starts;
    buildPathPoints(o.points.data(), o.types.data(), o.count(), pts, starts);
    EXPECT_EQ(contourAreaSign(pts, 0, o.count()), 1);
    SessionSettings settings = test::type1Settings();
    settings.gridSize = 1;
    settings.designSize = 32767;
    Type1FontState s;
    EXPECT_EQ(build(s, o, settings), CharStringStatus::Ok);
}

TEST(Encoding, ClosingPointOnTheStartGivesClosepathAlone) {
    test::Outline o;
    o.square(0, 0, 100, 100, false);  // last point repeats the first
    Type1FontState s;
    ASSERT_EQ(build(s, o, test::type1Settings()), CharStringStatus::Ok);
    const auto& p = s.newGlyphProgram;
    ASSERT_GE(p.size(), 3u);
    EXPECT_EQ(p[p.size() - 1], kCsEndchar);
    EXPECT_EQ(p[p.size() - 2], kCsClosepath);
    EXPECT_EQ(p[p.size() - 3], kCsRlineto);  // the line to the third corner, then closepath

    test::Outline open;
    open.start(0, 0);
    open.line(0, 100);
    open.line(100, 100, true);  // ends away from the start: an rlineto, then closepath
    ASSERT_EQ(build(s, open, test::type1Settings()), CharStringStatus::Ok);
    const auto& q = s.newGlyphProgram;
    EXPECT_EQ(q[q.size() - 2], kCsClosepath);
    EXPECT_EQ(q[q.size() - 3], kCsRlineto);
    EXPECT_EQ(decodePath(q).size(), 3u);
}

TEST(Encoding, EmptyOutlineIsHsbwAndEndchar) {
    test::Outline o;
    Type1FontState s;
    ASSERT_EQ(build(s, o, test::type1Settings()), CharStringStatus::Ok);
    std::vector<uint8_t> expected;
    encodeCharStringNumber(32767, expected);
    encodeCharStringNumber(0, expected);
    expected.push_back(kCsHsbw);
    expected.push_back(kCsEndchar);
    EXPECT_EQ(s.newGlyphProgram, expected);
}

TEST(Encoding, RefusesWhatItCannotWrite) {
    test::Outline big;
    for (int i = 0; i < 1000; ++i) {
        if (i == 0)
            big.start(0, 0);
        else
            big.line((i * 997) % 900, (i * 389) % 900, i == 999);
    }
    Type1FontState s;
    EXPECT_EQ(build(s, big, test::type1Settings()), CharStringStatus::TooLong);
    EXPECT_FALSE(s.newGlyphBuilt);

    test::Outline square;
    square.square(0, 0, 5000, 5000, false);
    SessionSettings settings = test::type1Settings();
    settings.gridSize = 16383;
    settings.designSize = 100;  // 5000 units become 819150: beyond 16 bits
    EXPECT_EQ(build(s, square, settings), CharStringStatus::OutOfRange);
    settings = test::type1Settings();
    settings.designSize = 0;
    EXPECT_EQ(build(s, square, settings), CharStringStatus::BadDesignSize);
    settings = test::type1Settings();
    settings.charNumber = -4;
    EXPECT_EQ(build(s, square, settings), CharStringStatus::BadCharCode);
}

TEST(Encoding, CurvesCutShortAndLeadingNodesDoNotReadPastTheOutline) {
    test::Outline o;
    o.add(10, 10, 0x40);  // a node before any start node
    o.start(0, 0);
    o.line(100, 0);
    o.add(100, 100, 0xC0);  // a curve whose triple the subpath cuts short
    o.add(50, 100, 0x48);
    Type1FontState s;
    EXPECT_EQ(build(s, o, test::type1Settings()), CharStringStatus::Ok);
}

TEST(Rewrite, WidthIsReplacedOnlyWhenItDiffers) {
    std::vector<uint8_t> program{139};
    encodeCharStringNumber(500, program);
    program.push_back(kCsHsbw);
    program.push_back(12);  // an escape whose sub-command looks like a number byte
    program.push_back(33);
    program.push_back(kCsEndchar);
    EXPECT_EQ(withCharStringWidth(program, 500), program);
    std::vector<uint8_t> changed = withCharStringWidth(program, 1200);
    EXPECT_EQ(charStringWidth(changed.data(), changed.size()), 1200);
    EXPECT_EQ(changed.size(), program.size() + 3);  // 500 took 2 bytes, 1200 takes 5
}

// cm-super writes widths as "a b div"; a width change must replace the whole division.
TEST(Rewrite, WidthGivenAsDivisionIsReadAndReplaced) {
    std::vector<uint8_t> program;
    encodeCharStringNumber(31, program);    // side bearing
    encodeCharStringNumber(6640, program);  // five bytes
    encodeCharStringNumber(20, program);
    program.push_back(kCsEscape);
    program.push_back(12);  // div: 6640 / 20 = 332
    program.push_back(kCsHsbw);
    encodeCharStringNumber(10, program);
    program.push_back(22);  // hmoveto
    program.push_back(kCsEndchar);
    EXPECT_EQ(charStringWidth(program.data(), program.size()), 332);
    EXPECT_EQ(withCharStringWidth(program, 332), program);

    std::vector<uint8_t> changed = withCharStringWidth(program, 400);
    std::vector<uint8_t> expected;
    encodeCharStringNumber(31, expected);
    encodeCharStringNumber(400, expected);
    expected.insert(expected.end(), program.begin() + 1 + 5 + 1 + 2, program.end());
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(charStringWidth(changed.data(), changed.size()), 400);

    // A division in the side bearing only: the width after it is replaced alone.
    std::vector<uint8_t> sb;
    encodeCharStringNumber(100, sb);
    encodeCharStringNumber(3, sb);
    sb.push_back(kCsEscape);
    sb.push_back(12);
    encodeCharStringNumber(500, sb);
    sb.push_back(kCsHsbw);
    sb.push_back(kCsEndchar);
    std::vector<uint8_t> sbChanged = withCharStringWidth(sb, 600);
    EXPECT_EQ(std::vector<uint8_t>(sbChanged.begin(), sbChanged.begin() + 4),
              std::vector<uint8_t>(sb.begin(), sb.begin() + 4));
    EXPECT_EQ(charStringWidth(sbChanged.data(), sbChanged.size()), 600);
}

TEST(Rewrite, EntryHonoursLenIVAndStyle) {
    std::vector<uint8_t> program{139, 139, kCsHsbw, kCsEndchar};
    std::string rd = charStringEntry("A", program, 4, CharStringStyle::RD);
    EXPECT_EQ(rd.substr(0, 8), "/A 8 RD ");
    EXPECT_EQ(rd.substr(rd.size() - 5), " ND\r\n");
    std::string bar = charStringEntry("A", program, 0, CharStringStyle::Bar);
    EXPECT_EQ(bar.substr(0, 8), "/A 4 -| ");
    EXPECT_EQ(bar.substr(bar.size() - 5), " |-\r\n");
    std::string plain = charStringEntry("A", program, -1, CharStringStyle::RD);
    EXPECT_EQ(plain.substr(8, 4), std::string(program.begin(), program.end()));
}

// Charstring bytes from numbers and commands (commands from kOp on: kOp + c for
// command c, kOp + 100 + e for escape 12 e).
constexpr int64_t kOp = 1 << 20;
std::vector<uint8_t> program(std::initializer_list<int64_t> items) {
    std::vector<uint8_t> out;
    for (int64_t v : items) {
        if (v < kOp) {
            encodeCharStringNumber(int32_t(v), out);
        } else if (v >= kOp + 100) {
            out.push_back(12);
            out.push_back(uint8_t(v - kOp - 100));
        } else {
            out.push_back(uint8_t(v - kOp));
        }
    }
    return out;
}
constexpr int64_t kHsbw = kOp + 13, kRmoveto = kOp + 21, kRlineto = kOp + 5, kRrcurveto = kOp + 8,
                  kClose = kOp + 9, kEnd = kOp + 14, kCallsubr = kOp + 10, kReturn = kOp + 11,
                  kCallOther = kOp + 116, kPop = kOp + 117, kSetPoint = kOp + 133,
                  kSeac = kOp + 106;

GlyphBounds boundsOf(const std::vector<uint8_t>& p, const CharStringLibrary& library = {}) {
    GlyphBounds b;
    EXPECT_TRUE(charStringBounds(p, library, b));
    return b;
}

TEST(Bounds, CurvesCountAtTheirExtremesNotTheirControlPoints) {
    // From (0,0) with controls (0,100) and (100,100) to (100,0): the top is at 75.
    GlyphBounds b = boundsOf(program(
        {0, 500, kHsbw, 0, 0, kRmoveto, 0, 100, 100, 0, 0, -100, kRrcurveto, kClose, kEnd}));
    EXPECT_EQ(b.llx, 0);
    EXPECT_EQ(b.lly, 0);
    EXPECT_EQ(b.urx, 100);
    EXPECT_EQ(b.ury, 75);
    b = boundsOf(program({20, 500, kHsbw, kEnd}));
    EXPECT_EQ(b.urx, 0);  // nothing drawn: an empty box
    EXPECT_EQ(b.llx, 0);
}

TEST(Bounds, FlexHintReplacementAndAccentsAreFollowed) {
    // The standard flex and hint replacement Subrs 0 to 3.
    std::vector<std::vector<uint8_t>> subrs = {
        program({3, 0, kCallOther, kPop, kPop, kSetPoint, kReturn}),
        program({0, 1, kCallOther, kReturn}),
        program({0, 2, kCallOther, kReturn}),
        program({kReturn}),
        program({3, 1, 3, kCallOther, kPop, kCallsubr, kReturn}),
        program({100, 0, kRlineto, kReturn}),
    };
    CharStringLibrary library;
    library.subrs = &subrs;
    // From (0,0), flex through the reference point (50,-30), which is not drawn, to
    // (100,0) with its top at 60; then hint replacement calls Subrs 5, which draws.
    GlyphBounds b = boundsOf(
        program({0,         500,       kHsbw,     0,         0,          kRmoveto,  1,
                 kCallsubr, 50,        -30,       kRmoveto,  2,          kCallsubr, -50,
                 70,        kRmoveto,  2,         kCallsubr, 20,         20,        kRmoveto,
                 2,         kCallsubr, 30,        0,         kRmoveto,   2,         kCallsubr,
                 30,        0,         kRmoveto,  2,         kCallsubr,  20,        -20,
                 kRmoveto,  2,         kCallsubr, 0,         -40,        kRmoveto,  2,
                 kCallsubr, 50,        100,       0,         0,          kCallsubr, 4,
                 kCallsubr, 5,         1,         3,         kCallOther, kPop,      kCallsubr,
                 kClose,    kEnd}),
        library);
    EXPECT_EQ(b.llx, 0);
    EXPECT_EQ(b.lly, 0);
    EXPECT_EQ(b.urx, 200);
    EXPECT_EQ(b.ury, 60);

    // An accented glyph: A from 0 to 500 wide and 700 high, the acute (code 194 of the
    // standard encoding) 100 square, placed at (200, 800).
    const std::vector<uint8_t> a = program({0, 500, kHsbw, 0, 0, kRmoveto, 500, 0, kRlineto, 0, 700,
                                            kRlineto, -500, 0, kRlineto, kClose, kEnd});
    const std::vector<uint8_t> acute =
        program({0, 100, kHsbw, 0, 0, kRmoveto, 100, 0, kRlineto, 0, 100, kRlineto, kClose, kEnd});
    library.glyph = [&](const std::string& name) -> const std::vector<uint8_t>* {
        return name == "A" ? &a : name == "acute" ? &acute : nullptr;
    };
    b = boundsOf(program({0, 500, kHsbw, 0, 200, 800, 65, 194, kSeac}), library);
    EXPECT_EQ(b.llx, 0);
    EXPECT_EQ(b.lly, 0);
    EXPECT_EQ(b.urx, 500);
    EXPECT_EQ(b.ury, 900);

    // What cannot be run gives no box rather than a wrong one.
    GlyphBounds none;
    EXPECT_FALSE(charStringBounds(program({0, 500, kHsbw, 9, kCallsubr, kEnd}), library, none));
    EXPECT_FALSE(
        charStringBounds(program({0, 500, kHsbw, 0, 0, 0, 66, 194, kSeac}), library, none));
    std::vector<std::vector<uint8_t>> loop = {program({0, kCallsubr, kReturn})};
    library.subrs = &loop;
    EXPECT_FALSE(charStringBounds(program({0, kCallsubr, kEnd}), library, none));
}

}  // namespace
}  // namespace gx
