#pragma once

#include <QObject>
#include <QString>

// A control found by the name its window gives it (its objectName).
template <typename T> T *child(const QObject &parent, const QString &name)
{
    return parent.findChild<T *>(name);
}
