#include <common/executable.h>

#include <QCoreApplication>
#include <QFileInfo>

namespace {

constexpr QLatin1StringView kSamplesFolder("samples");

} // namespace

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

QString samplesFolder(const QString &programFolder)
{
    return pathInFolder(programFolder, kSamplesFolder);
}

} // namespace executable
