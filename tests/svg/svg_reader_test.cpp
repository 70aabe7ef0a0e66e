#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "svg_reader.h"

namespace gx::host {
namespace {

// One user unit is one thousandth of an inch in these drawings, and the origin is
// the viewBox's bottom-left corner, so the expected points read y = 1000 - svg y.
std::string inchSquare(const std::string& body, const std::string& extra = "") {
    return "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"1in\" height=\"1in\" "
           "viewBox=\"0 0 1000 1000\"" +
           extra + ">\n" + body + "\n</svg>\n";
}

SvgResult read(const std::string& text, const SvgOptions& options = {}) {
    return readSvgText(text, "t.svg", options);
}

HostOutline readOk(const std::string& text, const SvgOptions& options = {}) {
    const SvgResult r = read(text, options);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.outline.points.size(), 2 * r.outline.types.size());
    return r.outline;
}

std::string readError(const std::string& text, const SvgOptions& options = {}) {
    const SvgResult r = read(text, options);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.outline.types.empty());
    return r.error;
}

using Points = std::vector<int32_t>;
using Types = std::vector<uint8_t>;

const Types kSquareTypes{0, 64, 64, 72};

TEST(SvgReader, RectBecomesAClosedSubpathWithYUp) {
    const HostOutline o =
        readOk(inchSquare("<rect x=\"100\" y=\"200\" width=\"300\" height=\"400\"/>"));
    EXPECT_EQ(o.points, (Points{100, 800, 400, 800, 400, 400, 100, 400}));
    EXPECT_EQ(o.types, kSquareTypes);
    EXPECT_EQ(read(inchSquare("<rect width=\"1\" height=\"1\"/>")).viewBoxHeightThousandths, 1000);
}

TEST(SvgReader, DrawingSizeSetsTheScale) {
    struct Case {
        const char* root;
        double wantHeight;
    } cases[] = {
        {"width=\"96\" height=\"96\"", 1000},                            // plain pixels
        {"width=\"96px\" height=\"96px\" viewBox=\"0 0 48 48\"", 1000},  // 2 px per unit
        {"width=\"25.4mm\" height=\"25.4mm\" viewBox=\"0 0 48 48\"", 1000},
        {"width=\"72pt\" height=\"72pt\" viewBox=\"0 0 48 48\"", 1000},
        {"width=\"6pc\" height=\"6pc\" viewBox=\"0 0 48 48\"", 1000},
        {"width=\"2.54cm\" viewBox=\"0 0 48 48\"", 1000},  // height from the aspect
        {"viewBox=\"0 0 96 96\"", 1000},                   // unitless: one unit, one pixel
        {"width=\"100%\" height=\"100%\" viewBox=\"0 0 96 96\"", 1000},
        {"viewBox=\"0 0 48 48\" width=\"1in\" height=\"1in\"", 1000},
    };
    for (const Case& c : cases) {
        const std::string svg = std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" ") + c.root +
                                "><rect x=\"0\" y=\"0\" width=\"100%\" height=\"100%\"/></svg>";
        const SvgResult r = read(svg);
        ASSERT_TRUE(r.ok) << c.root << ": " << r.error;
        EXPECT_EQ(r.outline.points, (Points{0, 1000, 1000, 1000, 1000, 0, 0, 0})) << c.root;
        EXPECT_NEAR(r.viewBoxHeightThousandths, c.wantHeight, 1e-9) << c.root;
    }
}

TEST(SvgReader, PreserveAspectRatio) {
    const std::string body = "<rect width=\"1000\" height=\"1000\"/>";
    // Uniform scale, centred: the viewBox corner stays the origin.
    HostOutline o = readOk(inchSquare(body, " preserveAspectRatio=\"xMidYMid\"")
                               .replace(inchSquare("").find("width=\"1in\""), 11, "width=\"2in\""));
    EXPECT_EQ(o.points, (Points{0, 1000, 1000, 1000, 1000, 0, 0, 0}));
    std::string stretched = inchSquare(body, " preserveAspectRatio=\"none\"");
    stretched.replace(stretched.find("width=\"1in\""), 11, "width=\"2in\"");
    EXPECT_EQ(readOk(stretched).points, (Points{0, 1000, 2000, 1000, 2000, 0, 0, 0}));
    std::string sliced = inchSquare(body, " preserveAspectRatio=\"xMinYMin slice\"");
    sliced.replace(sliced.find("width=\"1in\""), 11, "width=\"2in\"");
    const SvgResult s = read(sliced);
    EXPECT_EQ(s.outline.points, (Points{0, 2000, 2000, 2000, 2000, 0, 0, 0}));
    EXPECT_EQ(s.viewBoxHeightThousandths, 2000);
    EXPECT_NE(
        readError(inchSquare(body, " preserveAspectRatio=\"middle\"")).find("preserveAspectRatio"),
        std::string::npos);
}

TEST(SvgReader, OriginOptionMovesTheGlyphOrigin) {
    SvgOptions options;
    options.originSet = true;
    options.originX = 100;
    options.originY = 600;
    const HostOutline o =
        readOk(inchSquare("<rect x=\"100\" y=\"200\" width=\"300\" height=\"400\"/>"), options);
    EXPECT_EQ(o.points, (Points{0, 400, 300, 400, 300, 0, 0, 0}));
}

TEST(SvgReader, NestedGroupTransformsCompose) {
    const HostOutline o = readOk(inchSquare(
        "<g transform=\"translate(100,0)\"><g transform=\"scale(2)\">"
        "<rect transform=\"rotate(90 50 50)\" x=\"0\" y=\"0\" width=\"100\" height=\"50\"/>"
        "</g></g>"));
    // rotate(90 50 50) takes (0,0) to (100,0) and (100,0) to (100,100); scale and
    // translate then give x' = 100 + 2x and y' = 2y, then y flips. The start comes
    // again at the end: without the closing line the plug-ins' direction sum would
    // come out the wrong way round.
    EXPECT_EQ(o.points, (Points{300, 1000, 300, 800, 200, 800, 200, 1000, 300, 1000}));
}

TEST(SvgReader, CirclesEllipsesAndRoundedRects) {
    const HostOutline c = readOk(inchSquare("<circle cx=\"500\" cy=\"500\" r=\"100\"/>"));
    ASSERT_EQ(c.types, (Types{0, 192, 192, 128, 192, 192, 128, 192, 192, 128, 192, 192, 136}));
    // On-curve points at the four compass points, the handles 55.23 long.
    EXPECT_EQ(c.points[0], 600);
    EXPECT_EQ(c.points[1], 500);
    EXPECT_EQ(c.points[2], 600);
    EXPECT_EQ(c.points[3], 445);
    EXPECT_EQ(c.points[6], 500);
    EXPECT_EQ(c.points[7], 400);
    EXPECT_EQ(c.points[24], 600);
    EXPECT_EQ(c.points[25], 500);

    // A missing ry takes rx.
    EXPECT_EQ(readOk(inchSquare("<ellipse cx=\"500\" cy=\"500\" rx=\"100\"/>")).points, c.points);
    const HostOutline e =
        readOk(inchSquare("<ellipse cx=\"500\" cy=\"500\" rx=\"200\" ry=\"100\"/>"));
    EXPECT_EQ(e.points[0], 700);
    EXPECT_EQ(e.points[7], 400);

    const HostOutline r =
        readOk(inchSquare("<rect x=\"0\" y=\"0\" width=\"400\" height=\"200\" rx=\"50\"/>"));
    EXPECT_EQ(r.types.size(), 17u);
    EXPECT_EQ(r.types.back(), 136);
    EXPECT_EQ(r.points[0], 50);
    EXPECT_EQ(r.points[1], 1000);
    EXPECT_EQ(r.points[8], 400);  // the first corner ends at (400, 50)
    EXPECT_EQ(r.points[9], 950);
    // A radius of half the height leaves no straight sides upright.
    const HostOutline pill = readOk(inchSquare("<rect width=\"400\" height=\"200\" rx=\"100\"/>"));
    EXPECT_EQ(pill.types,
              (Types{0, 64, 192, 192, 128, 192, 192, 128, 64, 192, 192, 128, 192, 192, 136}));
    // Radii beyond half the sides are clamped to them: an ellipse.
    const HostOutline oval =
        readOk(inchSquare("<rect width=\"400\" height=\"200\" rx=\"500\" ry=\"900\"/>"));
    EXPECT_EQ(oval.types.size(), 13u);
    EXPECT_TRUE(read(inchSquare("<rect width=\"0\" height=\"10\"/><circle r=\"5\"/>")).ok);
}

TEST(SvgReader, PolygonAndPolylineCloseAlike) {
    const Points want{0, 1000, 100, 1000, 100, 900};
    EXPECT_EQ(readOk(inchSquare("<polygon points=\"0,0 100,0 100,100\"/>")).points, want);
    EXPECT_EQ(readOk(inchSquare("<polyline points=\"0 0,100 0 100 100\"/>")).points, want);
    EXPECT_NE(readError(inchSquare("<polygon points=\"0,0 100,0 100\"/>")).find("odd number"),
              std::string::npos);
}

TEST(SvgReader, EverySubpathGetsTheClosingMark) {
    const HostOutline o = readOk(inchSquare(
        "<path d=\"M0 0 H300 V300 H0 Z M100 100 V200 H200 V100 Z M400 400 L500 400 L500 500\"/>"));
    // The inner square repeats its start: the upward ray from the third subpath's
    // start meets its closing line, which the plug-ins' nesting test does not see.
    EXPECT_EQ(o.types, (Types{0, 64, 64, 72, 0, 64, 64, 64, 72, 0, 64, 72}));
}

TEST(SvgReader, SegmentsThatRoundToNothingAreDropped) {
    const HostOutline o =
        readOk(inchSquare("<path d=\"M0 0 L100 0 L100 0.2 L100 100 L0 100 L0 0 Z\"/>"));
    EXPECT_EQ(o.points, (Points{0, 1000, 100, 1000, 100, 900, 0, 900}));
    EXPECT_EQ(o.types, kSquareTypes);
    // Half a thousandth rounds up, on both sides of zero.
    const HostOutline h = readOk(inchSquare("<path d=\"M0.5 999.5 L100.5 999.5 L100 1000.5\"/>"));
    EXPECT_EQ(h.points, (Points{1, 1, 101, 1, 100, 0}));
}

TEST(SvgReader, DefsHiddenAndForeignElementsAreNotDrawn) {
    const HostOutline o =
        readOk(inchSquare("<defs><rect id=\"r\" width=\"10\" height=\"10\"/></defs>"
                          "<rect display=\"none\" width=\"20\" height=\"20\"/>"
                          "<g style=\"display:none\"><rect width=\"30\" height=\"30\"/></g>"
                          "<g visibility=\"hidden\"><rect width=\"40\" height=\"40\"/>"
                          "<rect visibility=\"visible\" x=\"1\" width=\"50\" height=\"50\"/></g>"
                          "<title>x</title><metadata><rect width=\"60\" height=\"60\"/></metadata>"
                          "<sodipodi:namedview xmlns:sodipodi=\"urn:x\"/>",
                          " xmlns:inkscape=\"urn:y\""));
    EXPECT_EQ(o.points, (Points{1, 1000, 51, 1000, 51, 950, 1, 950}));
}

TEST(SvgReader, UseDrawsReferencedElements) {
    for (const char* attr : {"href", "xlink:href"}) {
        const HostOutline o =
            readOk(inchSquare(std::string("<defs><rect id=\"r\" width=\"10\" height=\"10\"/></defs>"
                                          "<use ") +
                              attr + "=\"#r\" x=\"100\" y=\"100\" transform=\"scale(2)\"/>"));
        // The use's transform applies outside its x and y.
        EXPECT_EQ(o.points, (Points{200, 800, 220, 800, 220, 780, 200, 780})) << attr;
    }
    // A symbol takes the use's size through its viewBox.
    const HostOutline s = readOk(inchSquare(
        "<symbol id=\"s\" viewBox=\"0 0 10 10\"><rect width=\"10\" height=\"10\"/></symbol>"
        "<use href=\"#s\" x=\"100\" width=\"200\" height=\"200\"/>"));
    EXPECT_EQ(s.points, (Points{100, 1000, 300, 1000, 300, 800, 100, 800}));
    // A nested svg places its viewBox in its own viewport.
    const HostOutline n =
        readOk(inchSquare("<svg x=\"500\" y=\"0\" width=\"100\" height=\"100\" viewBox=\"0 0 1 1\">"
                          "<rect width=\"1\" height=\"1\"/></svg>"));
    EXPECT_EQ(n.points, (Points{500, 1000, 600, 1000, 600, 900, 500, 900}));
}

TEST(SvgReader, UseFaultsAreRefused) {
    EXPECT_NE(readError(inchSquare("<use href=\"#nope\"/>")).find("no element with id \"nope\""),
              std::string::npos);
    EXPECT_NE(readError(inchSquare("<use href=\"other.svg#a\"/>")).find("same file"),
              std::string::npos);
    EXPECT_NE(readError(inchSquare("<g id=\"a\"><use href=\"#a\"/></g>")).find("cycle"),
              std::string::npos);
    EXPECT_NE(readError(inchSquare("<use id=\"u1\" href=\"#u2\"/><use id=\"u2\" href=\"#u1\"/>"))
                  .find("cycle"),
              std::string::npos);
    // Ten uses of ten uses of ... an exponential drawing stops at the element limit.
    std::string body =
        "<defs><g id=\"l0\"><rect width=\"1\" height=\"1\" fill=\"none\" "
        "visibility=\"hidden\"/></g>";
    for (int level = 1; level <= 8; ++level) {
        body += "<g id=\"l" + std::to_string(level) + "\">";
        for (int i = 0; i < 10; ++i) body += "<use href=\"#l" + std::to_string(level - 1) + "\"/>";
        body += "</g>";
    }
    body += "</defs><use href=\"#l8\"/>";
    EXPECT_NE(readError(inchSquare(body)).find("too many elements"), std::string::npos);
    // Few elements, but a long attribute visited again and again.
    std::string longPath = "<defs><path id=\"p\" visibility=\"hidden\" d=\"M0 0" +
                           std::string(1 << 20, ' ') + "\"/></defs>";
    for (int i = 0; i < 300; ++i) longPath += "<use href=\"#p\"/>";
    EXPECT_NE(readError(inchSquare(longPath)).find("too complex"), std::string::npos);
}

TEST(SvgReader, SwitchDrawsTheFirstChildItCanShow) {
    const HostOutline o = readOk(inchSquare(
        "<switch><foreignObject requiredExtensions=\"http://ns.adobe.com/AdobeIllustrator/10.0/\">"
        "<i:pgf xmlns:i=\"urn:i\"/></foreignObject>"
        "<g><rect width=\"10\" height=\"10\"/></g><rect width=\"20\" height=\"20\"/></switch>"));
    EXPECT_EQ(o.points, (Points{0, 1000, 10, 1000, 10, 990, 0, 990}));
}

TEST(SvgReader, FillNoneIsRefusedAndFillInherits) {
    SvgOptions noStrokes;
    noStrokes.strokes = false;
    const std::string e = readError(inchSquare("<rect width=\"10\" height=\"10\"/>\n<path "
                                               "style=\"fill:none;stroke:#000\" d=\"M0 0 L9 9\"/>"),
                                    noStrokes);
    EXPECT_EQ(e.find("t.svg: <path> at line 4: "), 0u) << e;
    EXPECT_NE(e.find("no fill"), std::string::npos);
    EXPECT_FALSE(read(inchSquare("<g fill=\"none\"><rect width=\"10\" height=\"10\"/></g>")).ok);
    EXPECT_TRUE(
        read(inchSquare("<g fill=\"none\"><rect fill=\"red\" width=\"10\" height=\"10\"/></g>"))
            .ok);
    // The style attribute wins over the presentation attribute.
    EXPECT_FALSE(
        read(inchSquare("<rect fill=\"red\" style=\"fill: none\" width=\"10\" height=\"10\"/>"))
            .ok);
    EXPECT_NE(readError(inchSquare("<line x2=\"10\" y2=\"10\"/>")).find("no area"),
              std::string::npos);
    EXPECT_NE(readError(inchSquare("<text>A</text>")).find("convert it to a path"),
              std::string::npos);
}

TEST(SvgReader, StyleSheetsDecideFill) {
    const std::string sheet =
        "<style type=\"text/css\"><![CDATA[ .st0{fill:none;stroke:#000000;} "
        ".st1{fill:#1A1A1A;} ]]></style>\n";
    SvgOptions noStrokes;
    noStrokes.strokes = false;
    EXPECT_TRUE(read(inchSquare(sheet + "<rect class=\"st1\" width=\"1\" height=\"1\"/>")).ok);
    EXPECT_NE(
        readError(inchSquare(sheet + "<rect class=\"st0\" width=\"1\" height=\"1\"/>"), noStrokes)
            .find("<rect> at line 4: the shape has no fill"),
        std::string::npos);
    // The sheet outranks the presentation attribute, the style attribute outranks both.
    EXPECT_FALSE(
        read(inchSquare(sheet + "<rect class=\"st0\" fill=\"red\" width=\"1\" height=\"1\"/>"),
             noStrokes)
            .ok);
    EXPECT_TRUE(
        read(
            inchSquare(sheet + "<rect class=\"st0\" style=\"fill:red\" width=\"1\" height=\"1\"/>"))
            .ok);
}

TEST(SvgReader, BadInputNamesFileElementAndLine) {
    EXPECT_EQ(readError(inchSquare("<path d=\"M0 0 L10\"/>")),
              "t.svg: <path> at line 3: bad path data: path data ends in the middle of a command");
    EXPECT_EQ(readError(inchSquare("<rect width=\"10q\" height=\"1\"/>")),
              "t.svg: <rect> at line 3: bad width: unknown unit in length \"10q\"");
    EXPECT_NE(readError(inchSquare("<g transform=\"rotate(\"><rect/></g>"))
                  .find("<g> at line 3: bad transform"),
              std::string::npos);
    EXPECT_EQ(readError("<svg>\n<g>\n</svg>").find("t.svg: line 3: malformed XML"), 0u);
    EXPECT_NE(readError("").find("malformed XML"), std::string::npos);
    EXPECT_NE(readError("<html/>").find("not an SVG drawing"), std::string::npos);
    EXPECT_NE(readError(inchSquare("")).find("nothing to export"), std::string::npos);
    EXPECT_NE(readError(inchSquare("<rect width=\"-1\" height=\"1\"/>")).find("negative"),
              std::string::npos);
    EXPECT_NE(readError("<svg viewBox=\"0 0 0 10\"><rect width=\"1\" height=\"1\"/></svg>")
                  .find("viewBox width and height must be positive"),
              std::string::npos);
    EXPECT_NE(readError("<svg viewBox=\"0 0 10\"><rect width=\"1\" height=\"1\"/></svg>")
                  .find("four numbers"),
              std::string::npos);
    EXPECT_NE(readError("<svg width=\"-2in\"><rect width=\"1\" height=\"1\"/></svg>")
                  .find("width must be positive"),
              std::string::npos);
    EXPECT_NE(readError(inchSquare("<rect width=\"1\" height=\"1\" transform=\"scale(1e300)\"/>"))
                  .find("out of range"),
              std::string::npos);
    EXPECT_NE(readError(std::string("\xFF\xFE<\0s\0", 6)).find("UTF-16"), std::string::npos);
}

TEST(SvgReader, LimitsOnNodesAndNesting) {
    // A polygon close to a circle: every node bounds some area, and no edges run
    // level or along each other (which slow polygon sweeps down).
    const auto polygon = [](int lines) {
        std::string d;
        for (int i = 0; i <= lines; ++i) {
            const double a = 6.283185307179586 * i / (lines + 1);
            d += (i ? " L" : "M") + std::to_string(std::lround(100000 * std::cos(a))) + " " +
                 std::to_string(std::lround(100000 * std::sin(a)));
        }
        return d;
    };
    const std::string e = readError(inchSquare("<path d=\"" + polygon(32767) + "\"/>"));
    EXPECT_NE(e.find("32767"), std::string::npos) << e;
    // Just at the limit: one start and 32766 lines.
    const std::string fits = polygon(32766);
    EXPECT_EQ(readOk(inchSquare("<path d=\"" + fits + "\"/>")).types.size(), 32767u);

    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<g>";
    for (int i = 0; i < 5000; ++i) deep += "</g>";
    EXPECT_NE(readError(inchSquare(deep)).find("nested too deeply"), std::string::npos);
}

TEST(SvgReader, PrefixedSvgElements) {
    const HostOutline o = readOk(
        "<svg:svg xmlns:svg=\"http://www.w3.org/2000/svg\" width=\"1in\" height=\"1in\" "
        "viewBox=\"0 0 1000 1000\"><svg:rect width=\"10\" height=\"10\"/>"
        "<other:rect xmlns:other=\"urn:z\" width=\"99\" height=\"99\"/></svg:svg>");
    EXPECT_EQ(o.points, (Points{0, 1000, 10, 1000, 10, 990, 0, 990}));
}

TEST(SvgReader, FilesAreReadAndMissingOnesNamed) {
    const SvgResult missing = readSvgFile("/nonexistent/x.svg", {});
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error.find("/nonexistent/x.svg: cannot open"), 0u);
    for (const char* name : {"A.svg", "B.svg", "o.svg", "ring.svg", "n.svg"}) {
        const SvgResult r = readSvgFile(std::string(GX_SOURCE_DIR) + "/examples/" + name, {});
        EXPECT_TRUE(r.ok) << name << ": " << r.error;
    }
}

}  // namespace
}  // namespace gx::host
