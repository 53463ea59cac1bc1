#pragma once

// Popup menus run a modal loop of their own; behind an interface so tests never wait on one.

#include <QMenu>
#include <QPoint>

class PopupMenu {
public:
    virtual ~PopupMenu() = default;
    // Shows `menu` at a global position and returns when it has closed (after any action ran).
    virtual void popup(QMenu &menu, QPoint globalPos) = 0;
};

class QtPopupMenu : public PopupMenu {
public:
    void popup(QMenu &menu, QPoint globalPos) override;
};

// A popup menu chosen with the left button (or the keyboard), like a menu opened without flags:
// releasing another button over an item leaves the menu open.
class LeftButtonMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
