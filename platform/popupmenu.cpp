#include <platform/popupmenu.h>

#include <QMenu>

void QtPopupMenu::popup(QMenu &menu, QPoint globalPos) { menu.exec(globalPos); }
