#pragma once

// SDL's audio as the system sees it from outside the player.

#include <QDir>
#include <QFile>
#include <QString>

// Whether SDL runs an output device in this process: it feeds each open one on a thread it names
// "SDLAudioP" and the device's number, from when the device is open until it is closed.
inline bool sdlOutputThreadRunning()
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("SDLAudioP"))
            return true;
    }
    return false;
}
