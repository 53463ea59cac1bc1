#pragma once

// Qt's own dialogs and message boxes in the user's language; the failure descriptions and the
// names a screen reader says, which the program writes itself, in English on an English desktop
// and in Japanese on every other. The program's Japanese captions pass through no translator, so
// they read the same on every desktop.

#include <QLocale>
#include <QTranslator>

class Translations {
public:
    // Installs the translations for `locale` into the application while this object lives.
    explicit Translations(const QLocale &locale);
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

private:
    QTranslator qt_;
    QTranslator own_;
};
