#include "app/aspect_sizing.h"

#include <algorithm>

namespace {
bool MovesLeft(SizingEdge e) { return e == SizingEdge::Left || e == SizingEdge::TopLeft || e == SizingEdge::BottomLeft; }
bool MovesTop(SizingEdge e) { return e == SizingEdge::Top || e == SizingEdge::TopLeft || e == SizingEdge::TopRight; }
}  // namespace

bool DraggedEdge(const QRect& before, const QRect& after, SizingEdge* edge) {
    const bool width = before.width() != after.width();
    const bool height = before.height() != after.height();
    if (!width && !height) return false;
    const bool left = width && before.right() == after.right() && before.left() != after.left();
    const bool top = height && before.bottom() == after.bottom() && before.top() != after.top();
    if (width && height) *edge = top ? (left ? SizingEdge::TopLeft : SizingEdge::TopRight)
                                     : (left ? SizingEdge::BottomLeft : SizingEdge::BottomRight);
    else if (width) *edge = left ? SizingEdge::Left : SizingEdge::Right;
    else *edge = top ? SizingEdge::Top : SizingEdge::Bottom;
    return true;
}

QRect CorrectSizingRect(const QRect& dragged, SizingEdge edge, const QSize& extra, int aspectX, int aspectY,
                        int minTrackWidth) {
    if (aspectX < 1 || aspectY < 1) return dragged;
    const long long paneWidth = std::max(0, dragged.width() - extra.width());
    const long long paneHeight = std::max(0, dragged.height() - extra.height());
    bool deriveHeight;
    if (edge == SizingEdge::Left || edge == SizingEdge::Right) deriveHeight = true;
    else if (edge == SizingEdge::Top || edge == SizingEdge::Bottom) deriveHeight = false;
    else deriveHeight = paneWidth * aspectY <= paneHeight * aspectX;  // the width is the smaller for the ratio

    long long width = dragged.width();
    long long height = dragged.height();
    if (deriveHeight) height = paneWidth * aspectY / aspectX + extra.height();
    else width = paneHeight * aspectX / aspectY + extra.width();
    if (width < minTrackWidth) {
        width = minTrackWidth;
        height = std::max(0LL, width - extra.width()) * aspectY / aspectX + extra.height();
    }

    QRect corrected = dragged;
    if (MovesLeft(edge)) corrected.setLeft(dragged.right() + 1 - static_cast<int>(width));
    else corrected.setWidth(static_cast<int>(width));
    if (MovesTop(edge)) corrected.setTop(dragged.bottom() + 1 - static_cast<int>(height));
    else corrected.setHeight(static_cast<int>(height));
    return corrected;
}
