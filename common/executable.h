#pragma once

// The program's own executable: its folder (settings file, maker's library) and its name
// without extension (caption, settings file name, About dialog).

#include <QString>

namespace executable {

// Absolute folder of the running executable, without a trailing "/" (except for "/").
QString folder();
// File name without folder and without extension ("QT17C0042").
QString baseName();
// `folder` joined with `name` by exactly one "/".
QString pathInFolder(const QString &folder, const QString &name);

// Tests pretend to be another executable.
void overrideForTesting(const QString &folder, const QString &baseName);

} // namespace executable
