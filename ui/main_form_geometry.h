#pragma once

#include <QSize>
#include <QWidget>

namespace korvane::geometry {

// The main window's design sizes are outer sizes, frame and caption included: folded
// 785 wide with its left edge at 119, unfolded 1004 wide at 10, always 542 high. The
// controls are placed in the client area those leave inside the design's frame (4
// pixels each side, the caption above), whatever frame the window manager draws.
inline constexpr int kFoldedWidth = 785;
inline constexpr int kUnfoldedWidth = 1004;
inline constexpr int kHeight = 542;
inline constexpr int kFoldedLeft = 119;
inline constexpr int kUnfoldedLeft = 10;
inline constexpr QSize kDesignFrame{8, 34};

// The client size of an outer design size.
inline QSize ClientSize(int outerWidth, int outerHeight) {
    return QSize(outerWidth, outerHeight) - kDesignFrame;
}

// The window's outer size as the design counts it.
inline QSize OuterSize(const QWidget& window) {
    return window.size() + kDesignFrame;
}

} // namespace korvane::geometry
