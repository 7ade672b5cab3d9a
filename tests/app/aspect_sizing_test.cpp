#include "app/aspect_sizing.h"

#include <gtest/gtest.h>

namespace {

const QSize kExtra(20, 100);  // borders, bars and status bar around the video pane

QSize Pane(const QRect& frame) { return frame.size() - kExtra; }

TEST(AspectSizing, ASideEdgeDerivesTheHeight) {
    const QRect dragged(100, 50, 820, 580);  // the right edge pulled out to 820
    const QRect corrected = CorrectSizingRect(dragged, SizingEdge::Right, kExtra, 4, 3, 112);
    EXPECT_EQ(Pane(corrected), QSize(800, 600));
    EXPECT_EQ(corrected.topLeft(), dragged.topLeft());
}

TEST(AspectSizing, TheTopEdgeDerivesTheWidthAndKeepsTheBottom) {
    const QRect dragged(100, 40, 660, 460);  // pane 640 x 360: height dragged
    const QRect corrected = CorrectSizingRect(dragged, SizingEdge::Top, kExtra, 16, 9, 112);
    EXPECT_EQ(Pane(corrected), QSize(640, 360));
    const QRect taller(100, 0, 660, 460 + 40);
    const QRect fromTop = CorrectSizingRect(taller, SizingEdge::Top, kExtra, 4, 3, 112);
    EXPECT_EQ(fromTop.bottom(), taller.bottom());
    EXPECT_EQ(fromTop.left(), taller.left());
    EXPECT_EQ(Pane(fromTop), QSize(400 * 4 / 3, 400));
}

// A corner keeps the dimension that is the smaller one for the ratio.
TEST(AspectSizing, ACornerKeepsTheSmallerDimension) {
    const QRect wide(0, 0, 20 + 800, 100 + 300);  // pane 800 x 300: height is the smaller for 4:3
    EXPECT_EQ(Pane(CorrectSizingRect(wide, SizingEdge::BottomRight, kExtra, 4, 3, 112)), QSize(400, 300));
    const QRect tall(0, 0, 20 + 300, 100 + 800);  // width is the smaller
    EXPECT_EQ(Pane(CorrectSizingRect(tall, SizingEdge::BottomRight, kExtra, 4, 3, 112)), QSize(300, 225));
    const QRect topLeft = CorrectSizingRect(QRect(10, 10, 20 + 300, 100 + 800), SizingEdge::TopLeft, kExtra, 4, 3, 112);
    EXPECT_EQ(topLeft.bottomRight(), QRect(10, 10, 20 + 300, 100 + 800).bottomRight());
}

TEST(AspectSizing, NeverNarrowerThanTheMinimumTrackingWidth) {
    const QRect dragged(0, 0, 30, 400);
    const QRect corrected = CorrectSizingRect(dragged, SizingEdge::Left, kExtra, 4, 3, 112);
    EXPECT_EQ(corrected.width(), 112);
    EXPECT_EQ(corrected.right(), dragged.right());
    EXPECT_EQ(Pane(corrected).height(), (112 - 20) * 3 / 4);
}

TEST(AspectSizing, NoRatioLeavesTheRectangle) {
    const QRect dragged(0, 0, 333, 444);
    EXPECT_EQ(CorrectSizingRect(dragged, SizingEdge::Right, kExtra, 0, 0, 112), dragged);
    EXPECT_EQ(CorrectSizingRect(dragged, SizingEdge::Right, kExtra, 4, 0, 112), dragged);
}

TEST(AspectSizing, TheDraggedEdgeComesFromTheRectangles) {
    const QRect before(100, 100, 400, 300);
    SizingEdge edge;
    ASSERT_TRUE(DraggedEdge(before, QRect(100, 100, 450, 300), &edge));
    EXPECT_EQ(edge, SizingEdge::Right);
    ASSERT_TRUE(DraggedEdge(before, QRect(80, 100, 420, 300), &edge));
    EXPECT_EQ(edge, SizingEdge::Left);
    ASSERT_TRUE(DraggedEdge(before, QRect(100, 90, 400, 310), &edge));
    EXPECT_EQ(edge, SizingEdge::Top);
    ASSERT_TRUE(DraggedEdge(before, QRect(100, 100, 400, 320), &edge));
    EXPECT_EQ(edge, SizingEdge::Bottom);
    ASSERT_TRUE(DraggedEdge(before, QRect(90, 90, 410, 310), &edge));
    EXPECT_EQ(edge, SizingEdge::TopLeft);
    ASSERT_TRUE(DraggedEdge(before, QRect(100, 100, 410, 310), &edge));
    EXPECT_EQ(edge, SizingEdge::BottomRight);
    EXPECT_FALSE(DraggedEdge(before, QRect(150, 150, 400, 300), &edge));  // a move
}

}  // namespace
