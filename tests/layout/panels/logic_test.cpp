// The pure parts of the design panels: frame geometry, nudges, handles, ruler ticks, envelope
// zones, placement sizes and the undo history.
#include "GHandle.h"
#include "GPanels.h"
#include "HRuler.h"
#include "PanelUndo.h"

#include <gtest/gtest.h>

using namespace addrova::layout;

TEST(FrameHitZone, CornersSidesAndMiddle) {
    struct Case { int x, y, zone; };
    // A 100 x 60 frame.
    const Case cases[] = {
        {0, 0, 1},   {7, 7, 1},   {100, 60, 4}, {95, 55, 4}, {100, 0, 2}, {0, 60, 3},
        {50, 0, 5},  {45, 3, 5},  {50, 60, 7},  {0, 30, 6},  {100, 30, 8}, {50, 30, 0},
        {8, 0, 0},   {20, 30, 0}, {-7, -7, 1},  {56, 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(frameHitZone(c.x, c.y, 100, 60), c.zone) << c.x << "," << c.y;
}

TEST(FrameHitZone, SidesWinOverCornersOnTinyFrames) {
    // On a 10 x 10 frame every point near a corner is also near a side middle: the later test wins.
    EXPECT_EQ(frameHitZone(0, 0, 10, 10), 6);
    EXPECT_EQ(frameHitZone(10, 10, 10, 10), 8);
}

TEST(DragFrame, MovesFollowThePointerWithoutSnapping) {
    QRect f = frameAround(QRect(20, 30, 40, 10));
    EXPECT_EQ(objectsRect(dragFrame(f, 0, 7, -3, 1, 1)), QRect(27, 27, 40, 10));
    EXPECT_EQ(objectsRect(dragFrame(f, 8, 5, 0, 1, 1)), QRect(20, 30, 45, 10));
    EXPECT_EQ(objectsRect(dragFrame(f, 1, -4, -6, 1, 1)), QRect(16, 24, 44, 16));
    EXPECT_EQ(objectsRect(dragFrame(f, 7, 99, 9, 1, 1)), QRect(20, 30, 40, 19));
}

TEST(DragFrame, SnapsTheMovedEdgesTowardZero) {
    QRect f = frameAround(QRect(20, 30, 40, 10));
    // Move: the top-left corner lands on the grid, the size stays.
    EXPECT_EQ(objectsRect(dragFrame(f, 0, 13, 3, 8, 8)), QRect(32, 32, 40, 10));
    // Right edge 60 + 13 = 73 snaps down to 72; the left edge does not move.
    EXPECT_EQ(objectsRect(dragFrame(f, 8, 13, 0, 8, 8)), QRect(20, 30, 52, 10));
    // Bottom edge 40 + 7 = 47 snaps to 40 with step 8, to 44 with step 4.
    EXPECT_EQ(objectsRect(dragFrame(f, 7, 0, 7, 8, 8)).bottom() + 1, 40);
    EXPECT_EQ(objectsRect(dragFrame(f, 7, 0, 7, 4, 4)).bottom() + 1, 44);
}

TEST(DragFrame, NeverNarrowerOrLowerThanFive) {
    QRect f = frameAround(QRect(20, 30, 40, 10));
    QRect left = dragFrame(f, 6, 200, 0, 1, 1);  // left edge dragged far past the right one
    EXPECT_EQ(left.width(), 5);
    EXPECT_EQ(left.x() + left.width(), f.x() + f.width());  // the right edge held
    QRect up = dragFrame(f, 7, 0, -100, 1, 1);             // bottom dragged above the top
    EXPECT_EQ(up.height(), 5);
    EXPECT_EQ(up.y(), f.y());
}

TEST(NudgeEdges, MovesAndResizesWithinThePanel) {
    FrameEdges e{0, 0, 30, 20};
    nudgeEdges(e, Qt::Key_Left, false, 100, 100);  // already at the left edge
    EXPECT_EQ(e, (FrameEdges{0, 0, 30, 20}));
    nudgeEdges(e, Qt::Key_Right, false, 100, 100);
    nudgeEdges(e, Qt::Key_Down, false, 100, 100);
    EXPECT_EQ(e, (FrameEdges{1, 1, 31, 21}));
    // Moving right stops once left + inclusive width would pass the panel width.
    FrameEdges r{68, 0, 98, 10};
    nudgeEdges(r, Qt::Key_Right, false, 100, 100);  // 68 + 31 = 99 <= 100
    EXPECT_EQ(r.left, 69);
    nudgeEdges(r, Qt::Key_Right, false, 100, 100);  // 69 + 31 = 100 <= 100
    nudgeEdges(r, Qt::Key_Right, false, 100, 100);  // 70 + 31 > 100
    EXPECT_EQ(r.left, 70);
    EXPECT_FALSE(nudgeEdges(r, Qt::Key_A, false, 100, 100));
}

TEST(NudgeEdges, ShrinkingStopsAtInclusiveTen) {
    FrameEdges e{10, 10, 22, 25};
    for (int i = 0; i < 20; ++i) {
        nudgeEdges(e, Qt::Key_Left, true, 100, 100);
        nudgeEdges(e, Qt::Key_Up, true, 100, 100);
    }
    EXPECT_EQ(e.right - e.left + 1, 10);
    EXPECT_EQ(e.bottom - e.top + 1, 10);
    EXPECT_EQ(e.left, 10);
    nudgeEdges(e, Qt::Key_Right, true, 100, 100);
    EXPECT_EQ(e.right - e.left + 1, 11);
}

TEST(HandleSquares, CornersAndSideMiddles) {
    auto single = handleSquares(QRect(10, 20, 40, 30), true);
    ASSERT_EQ(single.size(), 8u);
    // R = (8, 18, 52, 52).
    EXPECT_EQ(single[0], QRect(8, 18, 5, 5));
    EXPECT_EQ(single[1], QRect(47, 18, 5, 5));
    EXPECT_EQ(single[2], QRect(8, 47, 5, 5));
    EXPECT_EQ(single[3], QRect(47, 47, 5, 5));
    EXPECT_EQ(single[4], QRect(8 + 22 - 2, 18, 5, 5));  // top middle
    EXPECT_EQ(single[6], QRect(8, 18 + 17 - 2, 5, 5));  // left middle
    EXPECT_EQ(handleSquares(QRect(10, 20, 40, 30), false).size(), 4u);
}

TEST(RulerTicks, FirstInchMarkAfterAHalfInch) {
    auto ticks = rulerTicks(96, 1.5, 768, 33);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks[1].x - ticks[0].x, 6);
    // Tick 24 at x 0 is a half inch (mid length); the first numbered mark is 2 at 48 px.
    EXPECT_EQ(ticks[0].bottom, 16);
    EXPECT_EQ(ticks[0].inch, -1);
    const RulerTick* first = nullptr;
    for (const auto& t : ticks)
        if (t.inch >= 0) {
            first = &t;
            break;
        }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->x, 48);
    EXPECT_EQ(first->inch, 2);
    EXPECT_EQ(first->bottom, 33);
    EXPECT_EQ(ticks[1].bottom, 8);
}

TEST(RulerTicks, ZeroIsUnnumbered) {
    auto ticks = rulerTicks(96, 0, 100, 33);
    EXPECT_EQ(ticks[0].bottom, 33);
    EXPECT_EQ(ticks[0].inch, -1);
    EXPECT_EQ(ticks[16].inch, 1);
    EXPECT_EQ(static_cast<int>(ticks.size()), 17);  // x = 0, 6, ... 96
}

TEST(UspsZones, AddressAreaStartDependsOnWidth) {
    struct Case { double inches; int expectedLeft; };
    // 9.5": 0.5" from the left edge; 11": 9.75" left of the right edge.
    const Case cases[] = {{9.5, 48}, {11.0, 1056 - 936}};
    for (const Case& c : cases) {
        int W = static_cast<int>(c.inches * 96), H = 4 * 96;
        auto z = uspsZones(W, H, 1.0f, 96);
        EXPECT_EQ(z[2].caption, "[Address Area]");
        EXPECT_EQ(z[2].rect.x(), c.expectedLeft) << c.inches;
        EXPECT_EQ(z[2].rect.x() + z[2].rect.width(), W - 48);
    }
}

TEST(UspsZones, ZoomScalesTheZonesAndKeepsTheWidthRule) {
    // An 11" envelope shown at 50 %: still the wide rule, measures halved.
    auto z = uspsZones(528, 192, 0.5f, 96);
    EXPECT_EQ(z[2].rect.x(), 528 - 468);
    EXPECT_EQ(z[0].rect, QRect(1, 1, 263, 59));  // H - s(2.75) = 60 is less than H div 3 = 64
    EXPECT_EQ(z[3].rect, QRect(528 - 144, 1, 48, 30 - 1));    // FIM: W - s(3) to W - s(2), to s(0.625)
    EXPECT_EQ(z[3].captionAt, QPoint(528 - 144 + 2, 3));
    EXPECT_EQ(z[1].rect.y() + z[1].rect.height(), 191);
}

TEST(MarginGuide, TruncatesTheZoomedPage) {
    EXPECT_EQ(marginGuide(25, 25, 25, 50, 912, 396, 1.0f), QRect(25, 25, 862, 321));
    EXPECT_EQ(marginGuide(25, 25, 25, 50, 912, 396, 0.5f), QRect(12, 12, 443 - 12, 173 - 12));
}

TEST(PlacementRect, WidensSmallBandsOnly) {
    EXPECT_EQ(placementRect(QRect(5, 6, 0, 0)), QRect(5, 6, 50, 15));
    EXPECT_EQ(placementRect(QRect(5, 6, 24, 14)), QRect(5, 6, 50, 15));
    EXPECT_EQ(placementRect(QRect(5, 6, 25, 15)), QRect(5, 6, 25, 15));
    EXPECT_EQ(placementRect(QRect(5, 6, 80, 3)), QRect(5, 6, 80, 15));
}

TEST(UndoHistory, StepsOnlyForRealChangesAndRedoDropsOnNewChange) {
    auto snap = [](const char* s) { return PanelSnapshot{QByteArray(s), 1.0f}; };
    UndoHistory h;
    h.reset(snap("a"));
    EXPECT_FALSE(h.commit(snap("a")));
    EXPECT_TRUE(h.commit(snap("b")));
    EXPECT_TRUE(h.commit(snap("c")));
    auto u = h.undo(snap("c"));
    ASSERT_TRUE(u);
    EXPECT_EQ(u->data, "b");
    EXPECT_TRUE(h.canRedo());
    auto r = h.redo(snap("b"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->data, "c");
    h.undo(snap("c"));
    EXPECT_TRUE(h.commit(snap("d")));  // a new change after an undo forgets the redo step
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(h.undoCount(), 2u);
    EXPECT_EQ(h.undo(snap("d"))->data, "b");
    EXPECT_EQ(h.undo(snap("b"))->data, "a");
    EXPECT_FALSE(h.undo(snap("a")));
}

TEST(UndoHistory, KeepsAtMostTheLimit) {
    UndoHistory h(3);
    h.reset({QByteArray("0"), 1.0f});
    for (int i = 1; i <= 5; ++i) h.commit({QByteArray::number(i), 1.0f});
    EXPECT_EQ(h.undoCount(), 3u);
    EXPECT_EQ(h.undo({QByteArray("5"), 1.0f})->data, "4");
}
