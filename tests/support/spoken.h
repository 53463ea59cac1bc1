#pragma once

#include <QAccessible>
#include <QString>
#include <QWidget>

// What a screen reader says of a widget: its accessible name or description.
inline QString spoken(QWidget *w, QAccessible::Text what = QAccessible::Name)
{
    QAccessibleInterface *a = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
    return a ? a->text(what) : QString();
}
