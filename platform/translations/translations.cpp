#include <platform/translations/translations.h>

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {

// Qt's translations of its widgets, as the system's Qt installs them.
const char kQtCatalogue[] = "qtbase";
// The program's own, compiled into it.
const char kOwnCatalogue[] = "solbena";
const char kOwnFolder[] = ":/i18n";

} // namespace

Translations::Translations(const QLocale &locale)
{
    if (qt_.load(locale, QString::fromLatin1(kQtCatalogue), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_);
    if (own_.load(locale, QString::fromLatin1(kOwnCatalogue), QStringLiteral("_"),
                  QString::fromLatin1(kOwnFolder)))
        QCoreApplication::installTranslator(&own_);
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&own_);
    QCoreApplication::removeTranslator(&qt_);
}
