#pragma once

// Whole files read and written in one go, for tests that make their own inputs or look at files
// on disk.

#include <QByteArray>
#include <QFile>
#include <QString>

// The file's bytes; empty if it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes `bytes` as the whole file and returns its path; a test cannot go on without it.
inline QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A door sound as the program carries it.
inline QByteArray waveResource(int id)
{
    return readFile(QStringLiteral(":/WAVE/%1").arg(id));
}
