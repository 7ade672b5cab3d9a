// The pictures of the toolbar's buttons and of the time-shift bar's buttons (16 x 15), drawn
// rather than loaded, so the program carries no image files.
#pragma once

#include <QIcon>

class QStyle;

QIcon CommandIcon(int commandId, const QStyle* style);
QIcon TimeShiftIcon(int controlId);
