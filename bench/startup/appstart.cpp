// The program itself, stopped at its main window's first paint.

#include "firstpaint.h"

#include <app/application.h>
#include <app/form1.h>

int main(int argc, char *argv[])
{
    FirstPaint firstPaint;
    return runApplication(argc, argv,
                          [&firstPaint](Form1 &form) { form.installEventFilter(&firstPaint); });
}
