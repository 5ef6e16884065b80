// The selection frame under the mouse and the keyboard: clicks that never move, drags clamped to
// the panel, handle resizes, snapping, locked objects and arrow-key nudges.
#include "PanelFixture.h"

using namespace panels_test;

TEST_F(PanelTest, FrameSitsAroundTheSelection) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(20, 30, 40, 20));
    auto* b = addShape(*panel, QRect(100, 10, 10, 10));
    TGHandle* f = panel->SelectionFrame();
    EXPECT_FALSE(f->isVisible());
    f->addObject(a);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->geometry(), QRect(18, 28, 45, 25));
    f->addObject(b);
    EXPECT_EQ(f->geometry(), QRect(18, 8, 95, 45));
    // An object that moves by itself brings the frame along once the message is handled.
    a->setLeft(0);
    settle();
    EXPECT_EQ(f->geometry(), QRect(-2, 8, 115, 45));
    f->removeObject(b);
    EXPECT_EQ(f->geometry(), QRect(-2, 28, 45, 25));
    f->clearSelection();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->geometry().size(), QSize(24, 24));
}

TEST_F(PanelTest, AQuickClickNeverMoves) {
    auto panel = makePanel<TGLabelPanel>();
    auto* a = addShape(*panel, QRect(20, 30, 40, 20));
    // Press, drag 30 to the right and release within 150 ms of the press.
    drag(panel.get(), QPoint(30, 40), QPoint(60, 40), 20, 100);
    EXPECT_TRUE(panel->isSelected(a));
    EXPECT_EQ(a->bounds(), QRect(20, 30, 40, 20));
    // The same gesture with a slower release moves it.
    drag(panel.get(), QPoint(30, 40), QPoint(60, 40), 20, 200);
    EXPECT_EQ(a->bounds(), QRect(50, 30, 40, 20));
    // A press that selects an object starts no drag within its first 10 ms: the pointer's way there
    // does not count.
    QTest::mouseClick(panel.get(), Qt::LeftButton, {}, QPoint(300, 150));
    ASSERT_EQ(panel->SelectionFrame()->count(), 0);
    QTest::mousePress(panel.get(), Qt::LeftButton, {}, QPoint(60, 40));
    now += 5;
    QTest::mouseMove(panel.get(), QPoint(70, 40));
    now += 10;
    QTest::mouseMove(panel.get(), QPoint(80, 40));
    now += 5;
    QTest::mouseMove(panel.get(), QPoint(90, 40));
    now += 300;
    QTest::mouseRelease(panel.get(), Qt::LeftButton, {}, QPoint(90, 40));
    EXPECT_EQ(a->left(), 60);
}

TEST_F(PanelTest, DragsAreClampedToThePanel) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    auto* a = addShape(*panel, QRect(300, 100, 40, 20));
    // The pointer leaves the panel at the right and bottom: it counts as (400, 200).
    drag(panel.get(), QPoint(310, 110), QPoint(900, 700));
    EXPECT_EQ(a->bounds(), QRect(390, 190, 40, 20));
    drag(panel.get(), QPoint(395, 195), QPoint(-300, -300));
    EXPECT_EQ(a->bounds(), QRect(-5, -5, 40, 20));
}

TEST_F(PanelTest, HandlesResizeDownToTheMinimum) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    auto* a = addShape(*panel, QRect(100, 50, 60, 30));
    TGHandle* f = panel->SelectionFrame();
    f->addObject(a);
    f->frameRelease(Qt::LeftButton, {});
    // Frame (98, 48, 65, 35): its bottom-right corner is at (163, 83).
    QTest::mouseMove(panel.get(), QPoint(161, 81));
    EXPECT_EQ(f->zone(), 4);
    drag(panel.get(), QPoint(161, 81), QPoint(181, 91));
    EXPECT_EQ(a->bounds(), QRect(100, 50, 80, 40));
    // The right side's handle dragged far past the left edge leaves a frame 5 wide.
    QTest::mouseMove(panel.get(), QPoint(181, 70));
    EXPECT_EQ(f->zone(), 8);
    drag(panel.get(), QPoint(181, 70), QPoint(10, 70));
    EXPECT_EQ(f->geometry().width(), 5);
    EXPECT_EQ(a->bounds(), QRect(100, 50, 0, 40));
    // The top side.
    QTest::mouseMove(panel.get(), QPoint(100, 49));
    EXPECT_EQ(f->zone(), 5);
    drag(panel.get(), QPoint(100, 49), QPoint(100, 19));
    EXPECT_EQ(a->bounds(), QRect(100, 20, 0, 70));
}

TEST_F(PanelTest, SnappingRoundsTheDraggedEdgeTowardZero) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    panel->setGridSize(GridSize::gs8x8);
    panel->setSnapToGrid(true);
    EXPECT_TRUE(panel->SelectionFrame()->snapToGrid());
    auto* a = addShape(*panel, QRect(21, 30, 40, 20));
    // Moving by 13: left 21 + 13 = 34 lands on 32.
    drag(panel.get(), QPoint(30, 40), QPoint(43, 40));
    EXPECT_EQ(a->bounds(), QRect(32, 24, 40, 20));
    // The right edge (72) dragged 15 further: 87 lands on 80.
    QTest::mouseMove(panel.get(), QPoint(74, 34));
    ASSERT_EQ(panel->SelectionFrame()->zone(), 8);
    drag(panel.get(), QPoint(74, 34), QPoint(89, 34));
    EXPECT_EQ(a->left() + a->width(), 80);
    EXPECT_EQ(a->left(), 32);

    panel->setGridSize(GridSize::gs4x4);
    panel->setSnapToGrid(false);
    EXPECT_FALSE(panel->SelectionFrame()->snapToGrid());
    drag(panel.get(), QPoint(40, 30), QPoint(43, 31));
    EXPECT_EQ(a->bounds().topLeft(), QPoint(35, 25));
}

TEST_F(PanelTest, LockedObjectsStayWhenTheSelectionMoves) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    auto* a = addShape(*panel, QRect(20, 30, 40, 20));
    auto* b = addShape(*panel, QRect(100, 30, 40, 20));
    b->setLocked(true);
    panel->SelectAll();
    drag(panel.get(), QPoint(30, 40), QPoint(50, 60));
    EXPECT_EQ(a->bounds(), QRect(40, 50, 40, 20));
    EXPECT_EQ(b->bounds(), QRect(100, 30, 40, 20));
    // Nudging leaves it too.
    QTest::keyPress(panel.get(), Qt::Key_Right);
    QTest::keyPress(panel.get(), Qt::Key_Right);
    QTest::keyRelease(panel.get(), Qt::Key_Right);
    EXPECT_EQ(a->left(), 42);
    EXPECT_EQ(b->left(), 100);
    // A locked frame does not drag at all.
    panel->SelectionFrame()->setLocked(true);
    drag(panel.get(), QPoint(50, 60), QPoint(90, 90));
    EXPECT_EQ(a->bounds().topLeft(), QPoint(42, 50));
}

TEST_F(PanelTest, ShiftClickOnTheFrameDeselectsTheObjectUnderThePoint) {
    auto panel = makePanel<TGLabelPanel>(400, 200);
    auto* a = addShape(*panel, QRect(20, 30, 40, 20));
    auto* b = addShape(*panel, QRect(100, 30, 40, 20));
    QTest::mouseClick(panel.get(), Qt::LeftButton, {}, QPoint(30, 40));
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(110, 40));
    ASSERT_EQ(panel->SelectionFrame()->count(), 2);
    QTest::mouseClick(panel.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 40));
    EXPECT_FALSE(panel->isSelected(a));
    EXPECT_TRUE(panel->isSelected(b));
    EXPECT_EQ(panel->SelectionFrame()->geometry(), QRect(98, 28, 45, 25));
}

TEST_F(PanelTest, ArrowKeysNudgeAndShiftArrowsResize) {
    auto panel = makePanel<TGLabelPanel>(200, 100);
    auto* a = addShape(*panel, QRect(20, 30, 40, 20));
    panel->SelectionFrame()->addObject(a);
    panel->SelectionFrame()->frameRelease(Qt::LeftButton, {});
    for (int i = 0; i < 3; ++i) QTest::keyPress(panel.get(), Qt::Key_Right);
    QTest::keyPress(panel.get(), Qt::Key_Up);
    EXPECT_EQ(a->left(), 20);  // nothing moves before the key is released
    QTest::keyRelease(panel.get(), Qt::Key_Up);
    EXPECT_EQ(a->bounds(), QRect(23, 29, 40, 20));

    for (int i = 0; i < 50; ++i) QTest::keyPress(panel.get(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyRelease(panel.get(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(a->bounds(), QRect(23, 29, 9, 20));  // an inclusive width of 10

    // Moving stops at the panel's edges.
    for (int i = 0; i < 300; ++i) QTest::keyPress(panel.get(), Qt::Key_Down);
    QTest::keyRelease(panel.get(), Qt::Key_Down);
    EXPECT_EQ(a->top() + a->height() + 1, 101);
    for (int i = 0; i < 300; ++i) QTest::keyPress(panel.get(), Qt::Key_Left);
    QTest::keyRelease(panel.get(), Qt::Key_Left);
    EXPECT_EQ(a->left(), 0);

    // One nudge is one undo step.
    ASSERT_TRUE(panel->Undo());
    settle();
    ASSERT_EQ(panel->objects().size(), 1u);
    EXPECT_EQ(panel->objects()[0]->left(), 23);
}
