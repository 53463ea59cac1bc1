#pragma once

// The two lines the saver helper writes in turn. They differ in length and in every field, so
// that a torn or mixed file cannot pass for either.

#include <settings/settingsfile.h>

inline QByteArray saverLine(int which)
{
    Settings v;
    const QString filler(which == 0 ? 3000 : 700, QLatin1Char(which == 0 ? 'a' : 'b'));
    v.busWindowLeft = which == 0 ? 100 : 2000;
    v.busWindowTop = which == 0 ? 200 : 3000;
    v.panelLeft = which == 0 ? 300 : 4000;
    v.panelTop = which == 0 ? 400 : 5000;
    v.rollPath0 = QStringLiteral("/rolls/") + filler + QStringLiteral(".bmp");
    v.rollPath1 = QStringLiteral("/rolls/second, ") + filler;
    v.rollStep0 = which == 0 ? 1 : 10;
    v.rollStep1 = which == 0 ? 2 : 20;
    v.signboardPath = QStringLiteral("/boards/") + filler + QStringLiteral(".gif");
    v.signboardLeft = which == 0 ? 15 : 30;
    v.signboardTop = which == 0 ? 45 : 60;
    v.signboardShown = which == 0;
    v.frameShown = which != 0;
    v.frontDoorDelay = which == 0 ? 10000 : 555;
    v.centreDoorDelay = which == 0 ? 6000 : 777;
    v.leafChoice = which == 0 ? 1 : 2;
    return formatSettingsLine(v);
}
