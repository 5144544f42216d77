// Fixed-size windows on small screens. A large scale factor on a small
// display (1.5 on 1024 x 768) leaves less room than a window's designed
// size: such a window keeps its controls at their designed size and
// positions in a scroll area, and is made as large as the screen allows, so
// that it stays fully on the screen, caption included. Where the designed
// size fits, nothing changes.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// The room a window manager's frame takes around a window (caption and
// borders), allowed for before a window is shown; none on platforms
// without frames (offscreen).
QSize window_frame_allowance();

// Fits `window` (a fixed-size window, or a QMainWindow whose central widget
// is its client area) into `available`, the screen's available area, with
// `frame` around it. Returns true when its client area now scrolls.
bool fit_window_to(QWidget* window, const QRect& available, const QSize& frame);

// The same for the screen the window is on (the primary one before it is
// shown).
bool fit_window_to_screen(QWidget* window);

// Moves `window` to the middle of its screen's available area, its frame
// included.
void centre_on_screen(QWidget* window);
