#pragma once

// Fakes for the modal side effects: they answer at once and remember what they were asked.

#include <platform/filedialog.h>
#include <platform/messagebox.h>
#include <platform/urlopener.h>

#include <QStringList>
#include <deque>

class FakeFileDialog : public FileDialog {
public:
    // Queue the next answer: a path, or nothing for a cancel.
    void setNextAnswer(std::optional<QString> answer) { answers_.push_back(std::move(answer)); }
    std::optional<QString> openFile(QWidget *) override
    {
        ++opened;
        if (answers_.empty())
            return std::nullopt;
        // Copying the optional itself trips GCC's maybe-uninitialized check in optimised builds.
        const bool cancel = !answers_.front();
        const QString path = answers_.front().value_or(QString());
        answers_.pop_front();
        if (cancel)
            return std::nullopt;
        return path;
    }
    int opened = 0;

private:
    std::deque<std::optional<QString>> answers_;
};

class FakeMessageBox : public MessageBox {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon;
    };
    void show(QWidget *, const QString &text, const QString &title, Icon icon) override
    {
        shown.push_back({text, title, icon});
    }
    std::vector<Shown> shown;
};

class FakeUrlOpener : public UrlOpener {
public:
    void open(const QString &address) override { opened << address; }
    QStringList opened;
};

#include <platform/popupmenu.h>

#include <QMenu>

class FakePopupMenu : public PopupMenu {
public:
    void popup(QMenu &menu, QPoint globalPos) override
    {
        shownAt.push_back(globalPos);
        lastMenu = &menu;
    }
    std::vector<QPoint> shownAt;
    QMenu *lastMenu = nullptr;
};
