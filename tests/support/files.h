#pragma once

// Whole files read and written in one go, for tests that set up or look at files on disk.

#include <QByteArray>
#include <QFile>
#include <QString>

// The file's bytes; empty if it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces the file's contents with `bytes`.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A door sound as the program carries it.
inline QByteArray waveResource(int id)
{
    return readFile(QStringLiteral(":/WAVE/%1").arg(id));
}
