#include "support/charlist.h"

#include <gtest/gtest.h>

#include <set>

namespace gx {
namespace {

TEST(CharListTest, ItemsStandForCodes33To255) {
    EXPECT_EQ(kCharListItems, 223);
    EXPECT_EQ(codeOfItem(0), 33);
    EXPECT_EQ(codeOfItem(222), 255);
    EXPECT_EQ(itemOfCode(65), 32);
    EXPECT_EQ(itemOfCode(32), -1);
    EXPECT_EQ(itemOfCode(256), -1);
    EXPECT_EQ(itemText(32), "A");
    EXPECT_EQ(itemText(222), "\xFF");
    EXPECT_EQ(itemText(223), "");
    EXPECT_EQ(itemText(-1), "");
}

TEST(CharListTest, FreeDeletedAndReplacedCodesAreGrey) {
    std::set<int> glyphs = {65, 66, 67};
    std::set<int> marked = {66};  // deleted, or about to be replaced
    CharStates states{[&](int c) { return glyphs.count(c) != 0; },
                      [&](int c) { return marked.count(c) != 0; }};
    EXPECT_FALSE(itemIsGrey(states, 65));
    EXPECT_TRUE(itemIsGrey(states, 66));
    EXPECT_TRUE(itemIsGrey(states, 68));
    EXPECT_TRUE(itemIsGrey(CharStates{}, 65));

    CharList list(kMainCharList);
    PixelRect item{0, 40, 24, 60};
    ItemDrawing d = list.drawItem(kMainCharList, 32, DrawAction::DrawEntire, false, item, states);
    ASSERT_TRUE(d.handled);
    EXPECT_TRUE(d.drawText);
    EXPECT_EQ(d.text, "A");
    EXPECT_FALSE(d.grey);
    EXPECT_EQ(d.fill.left, 2);
    EXPECT_EQ(d.fill.top, 42);
    EXPECT_EQ(d.fill.right, 22);
    EXPECT_EQ(d.fill.bottom, 58);
    EXPECT_FALSE(d.toggleFrame);
    EXPECT_TRUE(list.drawItem(kMainCharList, 33, DrawAction::DrawEntire, false, item, states).grey);
    EXPECT_TRUE(list.drawItem(kMainCharList, 35, DrawAction::DrawEntire, false, item, states).grey);
}

TEST(CharListTest, SelectionFrameIsToggledOncePerChange) {
    CharList list(kOptionsCharList);
    CharStates none;
    PixelRect item{0, 0, 24, 20};
    EXPECT_EQ(list.lastSelected(), kNoListItem);
    // Requests for another control are not this list's.
    EXPECT_FALSE(list.drawItem(kMainCharList, 1, DrawAction::Select, true, item, none).handled);

    ItemDrawing d = list.drawItem(kOptionsCharList, 5, DrawAction::DrawEntire, true, item, none);
    EXPECT_TRUE(d.toggleFrame);
    EXPECT_EQ(d.frame.left, 1);
    EXPECT_EQ(d.frame.bottom, 19);
    EXPECT_EQ(list.lastSelected(), 5);
    // The same item reported selected again keeps its frame.
    EXPECT_FALSE(
        list.drawItem(kOptionsCharList, 5, DrawAction::Select, true, item, none).toggleFrame);
    // Moving the selection: the old item's frame goes, the new one's comes.
    EXPECT_TRUE(
        list.drawItem(kOptionsCharList, 5, DrawAction::Select, false, item, none).toggleFrame);
    EXPECT_EQ(list.lastSelected(), 5);
    EXPECT_TRUE(
        list.drawItem(kOptionsCharList, 9, DrawAction::Select, true, item, none).toggleFrame);
    EXPECT_EQ(list.lastSelected(), 9);
    ItemDrawing focus = list.drawItem(kOptionsCharList, 9, DrawAction::Focus, true, item, none);
    EXPECT_TRUE(focus.handled);
    EXPECT_FALSE(focus.toggleFrame);
    EXPECT_FALSE(focus.drawText);
}

TEST(CharListTest, EachListKeepsItsLastSelectionAcrossDialogs) {
    CharStates none;
    PixelRect item{0, 0, 24, 20};
    mainCharList().drawItem(kMainCharList, 7, DrawAction::Select, true, item, none);
    EXPECT_EQ(mainCharList().lastSelected(), 7);
    EXPECT_EQ(optionsCharList().lastSelected(), kNoListItem);
    mainCharList().forgetSelection();
    EXPECT_EQ(charItemHeight(16), 20);
    EXPECT_EQ(charItemWidth(12), 16);
}

// The preview frame 7,21 120x108 dialog units at a common scale: 10..190 by 31..193.
const PixelRect kPane{10, 31, 190, 193};

TEST(PreviewTest, OriginLineAndBaseline) {
    PreviewGeometry g = PreviewGeometry::fromPane(kPane);
    EXPECT_EQ(g.originX, 28);     // 10 + 18
    EXPECT_EQ(g.baselineY, 176);  // 31 + 145.8
    PreviewGeometry odd = PreviewGeometry::fromPane({0, 0, 99, 99});
    EXPECT_EQ(odd.originX, 9);
    EXPECT_EQ(odd.baselineY, 89);
}

TEST(PreviewTest, WidthFromX) {
    PreviewGeometry g = PreviewGeometry::fromPane(kPane);
    EXPECT_EQ(g.widthFromX(5, 2048), 0);  // left of the origin line
    EXPECT_EQ(g.widthFromX(28, 2048), 0);
    EXPECT_EQ(g.widthFromX(190, 2048), 2048);  // the right edge
    EXPECT_EQ(g.widthFromX(109, 2048), 1024);
    EXPECT_EQ(g.widthFromX(29, 2048), 12);     // 2048 / 162, truncated
    EXPECT_EQ(g.widthFromX(352, 2048), 4096);  // right of the pane: above the grid size
    EXPECT_EQ(g.widthFromX(32767, 16383), 3310882);
    // A pane with no room right of the origin line gives 0, not a division by zero.
    EXPECT_EQ(PreviewGeometry::fromPane({5, 5, 5, 5}).widthFromX(10, 2048), 0);
}

TEST(PreviewTest, MarkerMapsTheGridOntoThePane) {
    PreviewGeometry g = PreviewGeometry::fromPane(kPane);
    int x = -1;
    ASSERT_TRUE(g.markerX(0, 2048, x));
    EXPECT_EQ(x, 28);
    ASSERT_TRUE(g.markerX(2048, 2048, x));
    EXPECT_EQ(x, 190);
    ASSERT_TRUE(g.markerX(1000, 2048, x));
    EXPECT_EQ(x, 107);  // 28 + 162 / 2048 * 1000 = 107.1
    EXPECT_FALSE(g.markerX(2049, 2048, x));
    EXPECT_FALSE(g.markerX(-1, 2048, x));
    EXPECT_FALSE(g.markerX(10, 0, x));

    WidthMarker marker;
    marker.painted(1000);
    EXPECT_EQ(marker.moveTo(2048, g, 2048), (std::vector<int>{107, 190}));
    // Off the pane: the old line is erased and nothing drawn, until it comes back.
    EXPECT_EQ(marker.moveTo(5000, g, 2048), (std::vector<int>{190}));
    EXPECT_EQ(marker.moveTo(0, g, 2048), (std::vector<int>{28}));
    EXPECT_EQ(marker.width(), 0);
}

TEST(PreviewTest, DesignSizeScalesTheOutlineButNotTheMarker) {
    PreviewGeometry g = PreviewGeometry::fromPane(kPane);
    // Width 162 px right of the origin, 145 px above the baseline: height limits.
    PreviewTransform t = PreviewTransform::make(g, 1000, 2000, 10000);
    EXPECT_DOUBLE_EQ(t.scale, 145.0 / 10000);
    EXPECT_DOUBLE_EQ(t.x(1000), 28);
    EXPECT_DOUBLE_EQ(t.y(2000), 176);
    EXPECT_DOUBLE_EQ(t.y(12000), 31);  // one em up reaches the top
    PreviewTransform half = PreviewTransform::make(g, 1000, 2000, 5000);
    EXPECT_DOUBLE_EQ(half.y(7000), 31);
    EXPECT_EQ(PreviewTransform::make(g, 0, 0, 0).scale, 0);
    int before = 0, after = 0;
    g.markerX(1500, 2048, before);
    g.markerX(1500, 2048, after);
    EXPECT_EQ(before, after);
}

TEST(PreviewTest, PathFromNodeTypes) {
    // A square with one curved side: start, line, control, control, curve end, line.
    std::vector<int32_t> pts = {0, 0, 100, 0, 120, 30, 120, 70, 100, 100, 0, 100};
    std::vector<uint8_t> types = {0x00, 0x40, 0xC0, 0xC0, 0x80, 0x48};
    auto path = previewPath(pts, types, 6);
    ASSERT_EQ(path.size(), 4u);
    EXPECT_EQ(path[0].kind, PathSegment::Move);
    EXPECT_EQ(path[1].kind, PathSegment::Line);
    EXPECT_EQ(path[1].x[0], 100);
    EXPECT_EQ(path[2].kind, PathSegment::Cubic);
    EXPECT_EQ(path[2].x[0], 120);
    EXPECT_EQ(path[2].y[1], 70);
    EXPECT_EQ(path[2].x[2], 100);
    EXPECT_EQ(path[3].kind, PathSegment::Line);
    EXPECT_EQ(path[3].x[0], 0);

    // A curve cut short, a stray curve end, counts that do not match the arrays.
    EXPECT_EQ(previewPath(pts, types, 4).size(), 2u);
    std::vector<uint8_t> stray = {0x00, 0x80};
    EXPECT_EQ(previewPath(pts, stray, 2)[1].kind, PathSegment::Line);
    EXPECT_EQ(previewPath(pts, types, 1000).size(), 4u);
    EXPECT_TRUE(previewPath(pts, types, -3).empty());
    EXPECT_EQ(previewPath({5, 6}, {0x40}, 1)[0].kind, PathSegment::Move);
}

TEST(PreviewTest, DraggingTheMarkerSetsTheWidth) {
    PreviewGeometry g = PreviewGeometry::fromPane(kPane);
    WidthMarker marker;
    marker.painted(2048);
    PreviewMouse mouse;
    // With Auto set, clicks do nothing; outside the pane neither.
    EXPECT_FALSE(mouse.buttonDown(109, 100, true, g, 2048, marker).widthChanged);
    EXPECT_FALSE(mouse.buttonDown(300, 100, false, g, 2048, marker).widthChanged);
    EXPECT_FALSE(mouse.move(50, g, 2048, marker).widthChanged);

    PreviewMouseResult down = mouse.buttonDown(109, 100, false, g, 2048, marker);
    EXPECT_TRUE(down.widthChanged);
    EXPECT_EQ(down.width, 1024);
    EXPECT_TRUE(down.capture);
    EXPECT_EQ(down.toggles, (std::vector<int>{190, 109}));
    EXPECT_TRUE(mouse.dragging());

    PreviewMouseResult move = mouse.move(0, g, 2048, marker);
    EXPECT_EQ(move.width, 0);
    EXPECT_TRUE(move.showInWidthBox);
    // Far to the right the width stops at what a width box can hold.
    EXPECT_EQ(mouse.move(30000, g, 2048, marker).width, kMaxCharWidth);

    PreviewMouseResult up = mouse.buttonUp(190, g, 2048, marker);
    EXPECT_EQ(up.width, 2048);
    EXPECT_TRUE(up.release);
    EXPECT_TRUE(up.showInWidthBox);
    EXPECT_FALSE(mouse.dragging());
    EXPECT_EQ(marker.width(), 2048);
}

TEST(AutoWidthTest, FivePercentBeyondTheRightMostPoint) {
    // Right-most point 1000 thousandths right of the origin, design size 10000, grid
    // 2048: 2048 x 0.1 x 1.05 + 0.5 = 215.54.
    std::vector<int32_t> pts = {500, 0, 1500, 300, 900, 900};
    EXPECT_EQ(autoCharWidth(pts, 3, 500, 10000, 2048), 215);
    EXPECT_EQ(autoCharWidth(pts, 0, 500, 10000, 2048), 0);
    EXPECT_EQ(autoCharWidth({}, 5, 500, 10000, 2048), 0);
    EXPECT_EQ(autoCharWidth(pts, 3, 500, 0, 2048), 0);
    EXPECT_EQ(autoCharWidth(pts, 3, 500, -10, 2048), 0);
    // Only the first `count` points count.
    EXPECT_EQ(autoCharWidth(pts, 1, 0, 10000, 2048), 108);
    // A shape left of its origin, and one far beyond the em.
    EXPECT_EQ(autoCharWidth(pts, 3, 5000, 10000, 2048), 0);
    EXPECT_EQ(autoCharWidth({2000000000, 0}, 1, -2000000000, 1, 16383), kMaxCharWidth);
}

}  // namespace
}  // namespace gx
