#pragma once

// Answers a modal dialog from inside its own event loop, as a user would: the test asks for the
// dialog the ordinary way (which returns only once it is closed) while this looks at it.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

template <typename Dialog> class ModalAnswer {
public:
    // How long the dialog may take to come up and be answered.
    static constexpr qint64 kWithinMs = 10000;
    static constexpr int kLookEveryMs = 10;

    // Calls `answer` with the active modal `Dialog` at every look until it returns true, having
    // closed the dialog (or, to wait for something, false). Should no such dialog come, or its
    // answer not close it in time, whatever modal window is up is rejected: the test then fails
    // instead of hanging.
    explicit ModalAnswer(std::function<bool(Dialog &)> answer) : answer_(std::move(answer))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        clock_.start();
        timer_.start(0);
    }

    // Whether the answer closed the dialog in time.
    bool answered() const { return answered_; }

private:
    void look()
    {
        timer_.setInterval(kLookEveryMs);
        QWidget *modal = QApplication::activeModalWidget();
        auto *dialog = qobject_cast<Dialog *>(modal);
        if (dialog && dialog->isVisible() && answer_(*dialog)) {
            timer_.stop();
            answered_ = !dialog->isVisible();
            if (dialog->isVisible())
                dialog->reject();
            return;
        }
        if (clock_.elapsed() < kWithinMs)
            return;
        timer_.stop();
        if (auto *stuck = qobject_cast<QDialog *>(modal))
            stuck->reject();
        else if (modal)
            modal->close();
    }

    std::function<bool(Dialog &)> answer_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool answered_ = false;
};
