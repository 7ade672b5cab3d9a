// Keeping the video pane's aspect ratio while the user drags the main window's edges.
#pragma once

#include <QRect>

enum class SizingEdge { Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight };

// Which edge or corner the user dragged, from the window's rectangle before and after; nothing
// (false) when neither its size changed.
bool DraggedEdge(const QRect& before, const QRect& after, SizingEdge* edge);

// The dragged rectangle corrected so that the video pane (the rectangle less `extra`: borders,
// bars and status bar) keeps `aspectX`:`aspectY`. A side edge derives the other dimension from
// the dragged one; a corner keeps the dimension that is smaller for the ratio and derives the
// other; the width never goes below `minTrackWidth`. The edge opposite the dragged one stays.
QRect CorrectSizingRect(const QRect& dragged, SizingEdge edge, const QSize& extra, int aspectX, int aspectY,
                        int minTrackWidth);
