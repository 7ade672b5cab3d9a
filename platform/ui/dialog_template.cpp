#include "platform/ui/dialog_template.h"

namespace ui {

const DialogControl* DialogTemplate::Find(int id) const {
    for (const auto& control : controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

PixelSize DialogUnitsToPixels(const DialogTemplate& dialog, short cx, short cy) {
    const int points = dialog.fontPointSize > 0 ? dialog.fontPointSize : 9;
    // Average character cell of a 9-point font at 96 dpi: 6 x 12 pixels, scaled with the size.
    const LONG baseX = 6 * points, baseY = 12 * points;
    return {static_cast<LONG>(cx) * baseX / (4 * 9), static_cast<LONG>(cy) * baseY / (8 * 9)};
}

}  // namespace ui
