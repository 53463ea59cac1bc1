#pragma once

// Message boxes behind an interface, so tests never wait on a modal window.

#include <QString>

class QWidget;

class MessageBox {
public:
    enum class Icon { None, Critical };
    virtual ~MessageBox() = default;
    // Modal, OK only. `title` empty means the program's name.
    virtual void show(QWidget *parent, const QString &text, const QString &title, Icon icon) = 0;
};

class QtMessageBox : public MessageBox {
public:
    void show(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
};
