#include <common/executable.h>

#include <QCoreApplication>
#include <QFileInfo>

Executable Executable::running()
{
    return {QCoreApplication::applicationDirPath(),
            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()};
}

namespace executable {

QString pathInFolder(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace executable
