#pragma once

class QWidget;

namespace platform {
// Keeps a top-level window above every ordinary window of the desktop, without moving or
// resizing it, and shows it.
void showTopmost(QWidget *window);
} // namespace platform
