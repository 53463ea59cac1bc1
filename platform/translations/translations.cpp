#include <platform/translations/translations.h>

#include <QCoreApplication>
#include <QLibraryInfo>

namespace {

// Qt's translations of its widgets, as the system's Qt installs them.
const char kQtCatalogue[] = "qtbase";
// The program's own, compiled into it.
const char kOwnCatalogue[] = "solbena";
const char kOwnFolder[] = ":/i18n";

// The program's own texts are written in English and translated into Japanese, the language of
// its captions: a desktop in English (or in the untranslated C locale) reads them in English,
// every other one in Japanese.
QLocale ownTextsLocale(const QLocale &locale)
{
    if (locale.language() == QLocale::English || locale.language() == QLocale::C)
        return locale;
    return QLocale(QLocale::Japanese, QLocale::Japan);
}

} // namespace

Translations::Translations(const QLocale &locale)
{
    if (qt_.load(locale, QString::fromLatin1(kQtCatalogue), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt_);
    if (own_.load(ownTextsLocale(locale), QString::fromLatin1(kOwnCatalogue), QStringLiteral("_"),
                  QString::fromLatin1(kOwnFolder)))
        QCoreApplication::installTranslator(&own_);
}

Translations::~Translations()
{
    QCoreApplication::removeTranslator(&own_);
    QCoreApplication::removeTranslator(&qt_);
}
