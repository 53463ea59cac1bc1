#pragma once

// Reports on standard output when the watched windows have painted for the first time, with
// the peak memory so far (kB): "painted <kB>" once the first window has painted, "all painted
// <kB>" once every one has, and then ends the program.

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QWidget>
#include <cstdio>

class FirstPaint : public QObject {
public:
    void watch(QWidget *window)
    {
        if (!main_) {
            main_ = window;
            // A window that never paints ends the run as a failure rather than hanging it.
            QTimer::singleShot(kGiveUpMs, this, [] { QCoreApplication::exit(1); });
        }
        waiting_.insert(window);
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && waiting_.remove(watched)) {
            // After the paint has been flushed.
            const bool first = watched == main_;
            const bool last = waiting_.isEmpty();
            QTimer::singleShot(0, this, [first, last] {
                if (first)
                    report("painted");
                if (last) {
                    report("all painted");
                    QCoreApplication::exit(0);
                }
            });
        }
        return false;
    }

private:
    static constexpr int kGiveUpMs = 10000;

    static void report(const char *what)
    {
        std::printf("%s %ld\n", what, peakKb());
        std::fflush(stdout);
    }

    static long peakKb()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
        return 0;
    }

    QObject *main_ = nullptr;
    QSet<QObject *> waiting_;
};
