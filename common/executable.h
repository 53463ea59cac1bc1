#pragma once

// The program's own executable: its folder (settings file, maker's library, samples) and its
// name without extension (caption, settings file name, About dialog). Read once at start and
// handed to whoever needs it.

#include <QString>

struct Executable {
    // Absolute folder, without a trailing "/" (except for "/").
    QString folder;
    // File name without folder and without extension ("QT17C0042").
    QString baseName;

    // The running executable; needs the application object.
    static Executable running();
};

namespace executable {

// `folder` joined with `name` by exactly one "/".
QString pathInFolder(const QString &folder, const QString &name);

// The sample pictures' folder beside the executable in `programFolder`, installed with it.
QString samplesFolder(const QString &programFolder);

} // namespace executable
