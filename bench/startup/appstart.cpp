// The program itself, stopped once its main window and its control panel have painted.

#include "firstpaint.h"

#include <app/application.h>
#include <app/buswindow.h>

#include <QApplication>

int main(int argc, char *argv[])
{
    FirstPaint firstPaint;
    return runApplication(argc, argv, [&firstPaint](BusWindow &form) {
        firstPaint.watch(&form);
        // The control panel is a window of its own, created with the main window.
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->objectName() == QLatin1String("controlPanel"))
                firstPaint.watch(window);
    });
}
