#include <common/executable.h>

#include <QCoreApplication>
#include <QFileInfo>

namespace {
QString g_folder;
QString g_baseName;
bool g_overridden = false;
} // namespace

namespace executable {

QString folder()
{
    if (g_overridden)
        return g_folder;
    return QCoreApplication::applicationDirPath();
}

QString baseName()
{
    if (g_overridden)
        return g_baseName;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString pathInFolder(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

void overrideForTesting(const QString &folder, const QString &baseName)
{
    g_folder = folder;
    g_baseName = baseName;
    g_overridden = true;
}

} // namespace executable
