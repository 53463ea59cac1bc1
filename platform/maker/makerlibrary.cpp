#include <platform/maker/makerlibrary.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>

namespace {
const char kLibraryFile[] = "libKVX3Res.so";
const char kHomePageExport[] = "TowaniHpURL";

QString quoted(const QString &s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}
} // namespace

SharedMakerLibrary::SharedMakerLibrary(QString folder) : folder_(std::move(folder)) {}

SharedMakerLibrary::~SharedMakerLibrary()
{
    if (handle_)
        dlclose(handle_);
}

QString SharedMakerLibrary::fileName()
{
    return QString::fromLatin1(kLibraryFile);
}

QString SharedMakerLibrary::filePath() const
{
    return QDir(folder_).filePath(fileName());
}

bool SharedMakerLibrary::homePageUrl(QString *address, QString *error)
{
    if (!homePage_ && !load(error))
        return false;
    const char *text = homePage_();
    if (!text) {
        *error = QCoreApplication::translate("maker", "The function %1 in %2 returned no address.")
                     .arg(quoted(QString::fromLatin1(kHomePageExport)), quoted(filePath()));
        return false;
    }
    *address = QString::fromLocal8Bit(text);
    return true;
}

bool SharedMakerLibrary::load(QString *error)
{
    const QString path = filePath();
    // dlopen searches the library path for a name without a slash and resolves a relative one
    // against the working directory; only an absolute path names exactly our folder's file.
    if (!QDir::isAbsolutePath(folder_) || !QFileInfo(path).isFile()) {
        *error = QCoreApplication::translate("maker", "The library file %1 was not found.")
                     .arg(quoted(path));
        return false;
    }
    // The export is looked up through this handle, so only in this file; RTLD_LOCAL keeps the
    // library's names out of the rest of the process.
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        *error = QCoreApplication::translate("maker", "The library file %1 could not be loaded: %2")
                     .arg(quoted(path), QString::fromLocal8Bit(why ? why : "unknown error"));
        return false;
    }
    void *symbol = dlsym(handle, kHomePageExport);
    if (!symbol) {
        dlclose(handle);
        *error = QCoreApplication::translate("maker", "The function %1 was not found in %2.")
                     .arg(quoted(QString::fromLatin1(kHomePageExport)), quoted(path));
        return false;
    }
    handle_ = handle;
    homePage_ = reinterpret_cast<HomePageFunction>(symbol);
    return true;
}
