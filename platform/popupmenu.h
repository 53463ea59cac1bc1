#pragma once

// Popup menus run a modal loop of their own; behind an interface so tests never wait on one.

#include <QPoint>

class QMenu;

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
