#include "AppWindows.h"

#include "WindowMover.h"

#include <cmath>

namespace tilewick {

bool isStandardWindow(platform::Accessibility& ax, const platform::AXElement& window) {
    return ax.stringAttribute(window, platform::AXAttribute::Subrole) == platform::AXRole::StandardWindow &&
           ax.boolAttribute(window, platform::AXAttribute::Minimized) != true &&
           ax.boolAttribute(window, platform::AXAttribute::FullScreen) != true;
}

platform::AXElementList appWindows(platform::Accessibility& ax, const platform::AXElement& app) {
    platform::AXElementList standard;
    for (const auto& window :
         ax.elementsAttribute(app, platform::AXAttribute::Windows).value_or(platform::AXElementList{}))
        if (!window.isNull() && isStandardWindow(ax, window))
            standard.append(window);
    return standard;
}

CellFrames cellFrames(SnapAction action, const std::optional<platform::ScreenInfo>& screen,
                      const QList<platform::ScreenInfo>& screens) {
    CellFrames result;
    if (!screen || screens.isEmpty())
        return result;
    const QRectF primary = screens.first().frame;
    result.screenFrame = WindowMover::topLeft(screen->frame, primary);
    const SnapKind k = kind(action);
    const QRectF visible = WindowMover::topLeft(screen->visibleFrame, primary);
    // A screen whose panels leave nothing visible holds no cell a window could take.
    if (!k.isCells() || !(visible.width() > 0 && visible.height() > 0))
        return result;

    const double unitWidth = visible.width() / double(k.cellSpan().cols);
    const double unitHeight = visible.height() / double(k.cellSpan().rows);
    QList<QRectF> cells;
    for (const auto& b : multiWindowCells(k))
        cells.append(WindowMover::rounded(QRectF(visible.x() + double(b.x) * unitWidth,
                                                 visible.y() + double(b.y) * unitHeight,
                                                 double(b.w) * unitWidth, double(b.h) * unitHeight)));
    result.cells = cells;
    return result;
}

} // namespace tilewick
