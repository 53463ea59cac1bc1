// The yardstick: a bare Qt window with the bus picture and one Japanese label.

#include "firstpaint.h"

#include <resources/resources.h>

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(739, 207);
    auto *picture = new QLabel(&window);
    picture->setPixmap(QPixmap(QString::fromLatin1(res::kBus)));
    picture->setGeometry(0, 0, 740, 207);
    auto *label = new QLabel(QStringLiteral("幕の速度"), &window);
    label->setFont(QFont(QStringLiteral("Noto Sans CJK JP")));
    label->move(10, 10);
    FirstPaint firstPaint;
    firstPaint.watch(&window);
    window.show();
    return app.exec();
}
