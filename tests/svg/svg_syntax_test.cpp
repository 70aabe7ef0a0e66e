#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "svg_css.h"
#include "svg_syntax.h"

namespace gx::host {
namespace {

Point map(const char* transform, double x, double y) {
    Matrix m;
    std::string error;
    EXPECT_TRUE(parseTransform(transform, m, error)) << transform << ": " << error;
    return m.apply({x, y});
}

std::string transformError(const char* transform) {
    Matrix m;
    std::string error;
    EXPECT_FALSE(parseTransform(transform, m, error)) << transform;
    return error;
}

TEST(SvgTransform, EveryFormMapsAsItShould) {
    struct Case {
        const char* transform;
        double x, y, wantX, wantY;
    } cases[] = {
        {"", 3, 4, 3, 4},
        {"translate(10)", 1, 1, 11, 1},
        {"translate(10,-5)", 1, 1, 11, -4},
        {"scale(2)", 3, 4, 6, 8},
        {"scale(2 -1)", 3, 4, 6, -4},
        {"rotate(90)", 1, 0, 0, 1},
        {"rotate(90 10 10)", 20, 10, 10, 20},
        {"rotate(-90,10,10)", 20, 10, 10, 0},
        {"skewX(45)", 0, 10, 10, 10},
        {"skewY(45)", 10, 0, 10, 10},
        {"matrix(1 2 3 4 5 6)", 1, 1, 9, 12},
        // A list applies right to left to the point: scale first, then translate.
        {"translate(10,0) scale(2)", 1, 1, 12, 2},
        {"translate(10,0),scale(2)", 1, 1, 12, 2},
        {"scale(2)translate(10,0)", 1, 1, 22, 2},
        {" rotate( 180 ) ", 1, 2, -1, -2},
    };
    for (const Case& c : cases) {
        const Point p = map(c.transform, c.x, c.y);
        EXPECT_NEAR(p.x, c.wantX, 1e-12) << c.transform;
        EXPECT_NEAR(p.y, c.wantY, 1e-12) << c.transform;
    }
}

TEST(SvgTransform, MalformedListsAreRefused) {
    EXPECT_EQ(transformError("rotate(1,2)"), "wrong number of arguments to rotate()");
    EXPECT_EQ(transformError("matrix(1 2 3)"), "wrong number of arguments to matrix()");
    EXPECT_EQ(transformError("translate()"), "wrong number of arguments to translate()");
    EXPECT_EQ(transformError("spin(3)"), "unknown transform \"spin\"");
    EXPECT_FALSE(transformError("translate(").empty());
    EXPECT_FALSE(transformError("translate(1 2 3 4 5 6 7)").empty());
    EXPECT_FALSE(transformError("scale 2").empty());
    EXPECT_FALSE(transformError("skewX(90)").empty());
}

TEST(SvgLength, UnitsBecomePixels) {
    struct Case {
        const char* text;
        double pixels;
    } cases[] = {{"5", 5},       {"5px", 5},     {"72pt", 96}, {"1pc", 16},
                 {"25.4mm", 96}, {"2.54cm", 96}, {"1in", 96},  {" 2IN ", 192},
                 {"1e1px", 10},  {"1em", 16},    {"-3", -3}};
    for (const Case& c : cases) {
        Length length;
        std::string error;
        ASSERT_TRUE(parseLength(c.text, length, error)) << c.text << ": " << error;
        EXPECT_FALSE(length.isPercent());
        EXPECT_NEAR(length.toPixels(), c.pixels, 1e-9) << c.text;
    }
    Length percent;
    std::string error;
    ASSERT_TRUE(parseLength("50%", percent, error));
    EXPECT_TRUE(percent.isPercent());
    EXPECT_EQ(percent.value, 50);
    for (const char* bad : {"", "px", "10 px", "10furlongs", "1e999", "--1"}) {
        Length l;
        std::string e;
        EXPECT_FALSE(parseLength(bad, l, e)) << bad;
        EXPECT_FALSE(e.empty()) << bad;
    }
}

TEST(SvgSyntax, NumberListsAndStyles) {
    std::vector<double> v;
    std::string error;
    ASSERT_TRUE(parseNumberList(" 0,0 10-5 .5.5 ", v, error));
    EXPECT_EQ(v, (std::vector<double>{0, 0, 10, -5, 0.5, 0.5}));
    EXPECT_FALSE(parseNumberList("1 2 x", v, error));
    EXPECT_EQ(error, "expected a number at character 5");

    const auto decls =
        parseStyleDeclarations("FILL : none ; stroke:#000;;bad; display:none!important");
    ASSERT_EQ(decls.size(), 3u);
    EXPECT_EQ(decls[0].name, "fill");
    EXPECT_EQ(decls[0].value, "none");
    EXPECT_EQ(decls[2].name, "display");
    EXPECT_EQ(decls[2].value, "none");
}

TEST(SvgStyleSheet, SpecificityThenOrderDecides) {
    StyleSheet sheet;
    sheet.addText(
        "/* exported */ .st0{fill:none;stroke:#000} .st1 , path { fill : #1A1A1A }\n"
        "@media print { .st1 { fill: none } } #keep{fill:red} rect.st0{display:none}\n"
        "g > path { fill: none } a:hover { fill: none } .st1{fill:blue}");
    std::string v;
    ASSERT_TRUE(sheet.lookup("path", "", "st0", "fill", v));
    EXPECT_EQ(v, "none");  // the class outranks the element selector
    ASSERT_TRUE(sheet.lookup("path", "", "x st1", "fill", v));
    EXPECT_EQ(v, "blue");  // same specificity: the later rule
    ASSERT_TRUE(sheet.lookup("path", "keep", "st0", "fill", v));
    EXPECT_EQ(v, "red");
    ASSERT_TRUE(sheet.lookup("rect", "", "st0", "display", v));
    EXPECT_FALSE(sheet.lookup("circle", "", "st0", "display", v));
    EXPECT_FALSE(sheet.lookup("circle", "", "", "fill", v));
    ASSERT_TRUE(sheet.lookup("path", "", "", "fill", v));
    EXPECT_EQ(v, "#1A1A1A");  // combinators and pseudo-classes are not matched
    // An unbalanced block swallows the rest of its sheet, and only that.
    StyleSheet broken;
    broken.addText("}{ .a{fill:none");
    broken.addText("/* unterminated");
    broken.addText(".b{fill:none}");
    EXPECT_FALSE(broken.lookup("path", "", "a", "fill", v));
    EXPECT_TRUE(broken.lookup("path", "", "b", "fill", v));
}

}  // namespace
}  // namespace gx::host
