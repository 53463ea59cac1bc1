#include <platform/topmost.h>

#include <QWidget>

namespace platform {
void showTopmost(QWidget *window)
{
    const QPoint pos = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Changing the flags hides a shown window and may forget an unshown one's position.
    window->move(pos);
    window->show();
}
} // namespace platform
