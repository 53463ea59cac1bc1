#pragma once

// Qt's own dialogs and message boxes, and the failure descriptions the program writes itself,
// in the user's language. The program's Japanese captions pass through no translator, so they
// read the same on every desktop.

#include <QLocale>
#include <QTranslator>

class Translations {
public:
    // Installs the translations for `locale` into the application while this object lives;
    // a language without translations stays English.
    explicit Translations(const QLocale &locale);
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

private:
    QTranslator qt_;
    QTranslator own_;
};
