#include <platform/popupmenu.h>

#include <QMouseEvent>

void QtPopupMenu::popup(QMenu &menu, QPoint globalPos)
{
    menu.exec(globalPos);
}

void LeftButtonMenu::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        QMenu::mouseReleaseEvent(event);
    else
        event->accept();
}
