#pragma once

// How often the other threads of this process have gone to sleep: a thread that wakes, on a timer
// or for any other reason, sleeps again and counts one more.

#include <QDir>
#include <QFile>
#include <QString>
#include <chrono>
#include <map>
#include <thread>
#include <unistd.h>

inline std::map<QString, long long> sleepsOfOtherThreads()
{
    std::map<QString, long long> out;
    const QString self = QString::number(gettid());
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (tid == self || !status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:"))
                out[tid] = line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return out;
}

// The threads (by id and name) whose count differs between two readings.
inline QString threadsThatWoke(const std::map<QString, long long> &before,
                               const std::map<QString, long long> &after)
{
    QString woke;
    for (const auto &[tid, count] : after) {
        const auto old = before.find(tid);
        if (old != before.end() && old->second == count)
            continue;
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
        comm.open(QIODevice::ReadOnly);
        woke += QStringLiteral("%1 (%2) ").arg(tid, QString::fromUtf8(comm.readAll().trimmed()));
    }
    return woke;
}

// Empty when some window of `window` among `tries` in a row passes with no other thread waking;
// otherwise the threads that woke in the last one. A thread on a timer shorter than the window
// never gives a quiet one, while a wake-up that answers something just done (a server telling of
// a stream that went) is over after the first window.
inline QString threadsThatWokeInEveryWindow(std::chrono::milliseconds window, int tries)
{
    QString woke;
    for (int i = 0; i < tries; ++i) {
        const auto before = sleepsOfOtherThreads();
        std::this_thread::sleep_for(window);
        woke = threadsThatWoke(before, sleepsOfOtherThreads());
        if (woke.isEmpty())
            break;
    }
    return woke;
}
