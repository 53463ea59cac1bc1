#pragma once

// Geometry helpers in twips: child controls, and top-level windows whose Left/Top/Height are
// those of their outer frame (title bar and borders included).

#include <common/twips.h>

class QWidget;

namespace toplevel {

void placeChild(QWidget *child, const twips::Rect &r);

float frameLeft(const QWidget *window);
float frameTop(const QWidget *window);
float frameHeight(const QWidget *window);
// Moves the window's outer frame to a screen position in twips.
void moveFrame(QWidget *window, float left, float top);
// Gives a window a fixed client area.
void setClientSize(QWidget *window, float width, float height);

} // namespace toplevel
