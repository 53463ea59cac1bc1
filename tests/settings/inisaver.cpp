// Saves the settings file given as its argument over and over, alternating two lines, until it
// is killed. Prints "ready" once before the first save.

#include "saverlines.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: inisaver <settings file>\n");
        return 2;
    }
    const QByteArray lines[2] = {saverLine(0), saverLine(1)};
    std::printf("ready\n");
    std::fflush(stdout);
    for (unsigned i = 0;; ++i) {
        QString error;
        if (!writeSettingsFile(args.at(1), lines[i % 2], &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
}
