#pragma once

#include <common/windowless.h>

#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

// A control found by the name its window gives it (its objectName).
template <typename T> T *child(const QObject &parent, const QString &name)
{
    return parent.findChild<T *>(name);
}
template <typename T> T *child(const QObject &parent, const char *name)
{
    return child<T>(parent, QString::fromLatin1(name));
}

// A windowless control drawn on a window's surface, found by its name.
template <typename T = WindowlessControl> T *control(const QObject &window, const QString &name)
{
    const auto *surface =
        window.findChild<WindowlessLayer *>(QStringLiteral("surface"), Qt::FindDirectChildrenOnly);
    return surface ? static_cast<T *>(surface->control(name)) : nullptr;
}
template <typename T = WindowlessControl> T *control(const QObject &window, const char *name)
{
    return control<T>(window, QString::fromLatin1(name));
}

// Shows a window and waits until it is on the screen and active, as a user's window would be.
inline bool showActive(QWidget &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}
