#pragma once

// The two lines the saver helper writes in turn. They differ in length and in every field, so
// that a torn or mixed file cannot pass for either.

#include <settings/inifile.h>

inline QByteArray saverLine(int which)
{
    IniValues v;
    const QString filler(which == 0 ? 3000 : 700, QLatin1Char(which == 0 ? 'a' : 'b'));
    v.formLeft = which == 0 ? 100 : 2000;
    v.formTop = which == 0 ? 200 : 3000;
    v.setLeft = which == 0 ? 300 : 4000;
    v.setTop = which == 0 ? 400 : 5000;
    v.rollPath0 = QStringLiteral("/rolls/") + filler + QStringLiteral(".bmp");
    v.rollPath1 = QStringLiteral("/rolls/second, ") + filler;
    v.step0 = which == 0 ? 1 : 10;
    v.step1 = which == 0 ? 2 : 20;
    v.kanbanPath = QStringLiteral("/boards/") + filler + QStringLiteral(".gif");
    v.kanbanLeft = which == 0 ? 15 : 30;
    v.kanbanTop = which == 0 ? 45 : 60;
    v.kanbanShown = which == 0;
    v.wakuShown = which != 0;
    v.hscroll1 = which == 0 ? 10000 : 555;
    v.hscroll2 = which == 0 ? 6000 : 777;
    v.option = which == 0 ? 1 : 2;
    return formatIniLine(v);
}
