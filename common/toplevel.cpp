#include <common/toplevel.h>

#include <QWidget>

namespace toplevel {

void placeChild(QWidget *child, const twips::Rect &r)
{
    child->setGeometry(twips::toPixels(r));
}

float frameLeft(const QWidget *window)
{
    return twips::fromPixels(window->frameGeometry().x());
}
float frameTop(const QWidget *window)
{
    return twips::fromPixels(window->frameGeometry().y());
}
float frameHeight(const QWidget *window)
{
    return twips::fromPixels(window->frameGeometry().height());
}

void moveFrame(QWidget *window, float left, float top)
{
    // For a top-level window QWidget::move places the frame, not the client area.
    window->move(twips::toPixels(left), twips::toPixels(top));
}

void setClientSize(QWidget *window, float width, float height)
{
    window->setFixedSize(twips::toPixels(width), twips::toPixels(height));
}

} // namespace toplevel
