// The user's language: Qt's own dialogs, the program's failure descriptions and what a screen
// reader says follow it, the program's own Japanese captions never do.

#include <about/aboutdialog.h>
#include <panel/controlpanel.h>
#include <picture/picture.h>
#include <platform/dialogs/qtfiledialog.h>
#include <platform/translations/translations.h>
#include <support/buswindowfixture.h>
#include <support/modalanswer.h>
#include <support/spoken.h>

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>

namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kGerman(QLocale::German, QLocale::Germany);

struct QtTexts {
    QString cancel;
    QString lookIn;
    QString fileDialogTitle;
};

QtTexts qtTextsIn(const QLocale &locale)
{
    const Translations translations(locale);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    QtTexts texts{box.button(QMessageBox::Cancel)->text(), {}, {}};
    // The file dialog as the program opens it, read and cancelled.
    QtFileDialog files((QString()));
    ModalAnswer<QFileDialog> answer([&](QFileDialog &dialog) {
        const auto *lookIn = dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"));
        texts.lookIn = lookIn ? lookIn->text() : QString();
        texts.fileDialogTitle = dialog.windowTitle();
        dialog.reject();
        return true;
    });
    files.openFile(nullptr);
    return texts;
}

// Every caption the main window and the panel show.
QStringList captionsIn(const QLocale &locale, const QString &folder)
{
    const Translations translations(locale);
    BusWindowFixture f(folder, QStringLiteral("QT17C0042"), false);
    QStringList texts{f.form->windowTitle(), f.form->panel().windowTitle()};
    for (QWidget *window :
         {static_cast<QWidget *>(f.form.get()), static_cast<QWidget *>(&f.form->panel())}) {
        for (const auto *b : window->findChildren<QAbstractButton *>())
            texts << b->text();
        for (const auto *l : window->findChildren<QLabel *>())
            texts << l->text();
    }
    for (const QAction *a : child<QMenu>(*f.form, "popupMenu")->actions())
        texts << a->text();
    return texts;
}

// What a screen reader says of the named controls of the main window, the panel and the About
// dialog: names and descriptions, by objectName.
QMap<QString, QString> spokenIn(const QLocale &locale, const QString &folder)
{
    const Translations translations(locale);
    BusWindowFixture f(folder, QStringLiteral("QT17C0042"), false);
    AboutDialog about(f.messageBox, f.urlOpener, f.makerLibrary, QStringLiteral("QT17C0042"));
    QMap<QString, QString> texts;
    for (QWidget *window :
         {static_cast<QWidget *>(f.form.get()), static_cast<QWidget *>(&f.form->panel()),
          static_cast<QWidget *>(&about)}) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (w->accessibleName().isEmpty())
                continue;
            texts.insert(w->objectName(), spoken(w));
            texts.insert(w->objectName() + QStringLiteral("/description"),
                         spoken(w, QAccessible::Description));
        }
    }
    return texts;
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    void qtDialogs_japaneseOrEnglishLocale_speakThatLanguage()
    {
        const QtTexts ja = qtTextsIn(kJapanese);
        const QtTexts en = qtTextsIn(kEnglish);
        QCOMPARE(ja.cancel, QStringLiteral("キャンセル"));
        QCOMPARE(en.cancel, QStringLiteral("Cancel"));
        QVERIFY(!ja.lookIn.isEmpty());
        QVERIFY2(ja.lookIn != en.lookIn, qPrintable(ja.lookIn));
        // The dialog's own title is the program's.
        QCOMPARE(ja.fileDialogTitle, QStringLiteral("開く"));
        QCOMPARE(en.fileDialogTitle, QStringLiteral("開く"));
    }

    void failureDescription_japaneseOrEnglishLocale_speaksThatLanguage()
    {
        QTemporaryDir dir;
        const QString junk = dir.filePath(QStringLiteral("notes.bmp"));
        writeFile(junk, "this is not a picture");
        QString ja, en;
        {
            const Translations translations(kJapanese);
            ja = picture::load(junk).error;
        }
        {
            const Translations translations(kEnglish);
            en = picture::load(junk).error;
        }
        QCOMPARE(ja, junk + QStringLiteral(": 画像ではありません"));
        QCOMPARE(en, junk + QStringLiteral(": not a picture"));
    }

    // Japanese for every desktop but an English one; each text has its Japanese.
    void accessibleNames_japaneseGermanOrEnglishLocale_japaneseUnlessEnglish()
    {
        QTemporaryDir dir;
        const QMap<QString, QString> ja = spokenIn(kJapanese, dir.path());
        const QMap<QString, QString> en = spokenIn(kEnglish, dir.path());
        QCOMPARE(spokenIn(kGerman, dir.path()), ja);
        QCOMPARE(spokenIn(QLocale::c(), dir.path()), en);
        QCOMPARE(ja.value(QStringLiteral("frontDoorSwitch")), QStringLiteral("前扉スイッチ"));
        QCOMPARE(en.value(QStringLiteral("frontDoorSwitch")), QStringLiteral("Front door switch"));
        // The panel's 15 named controls, both sign windows, the About dialog's link and button,
        // each with a description; only "OK" reads the same in both.
        QCOMPARE(ja.keys(), en.keys());
        QCOMPARE(ja.size(), 2 * 19);
        for (auto it = ja.cbegin(); it != ja.cend(); ++it)
            QVERIFY2(it.value() != en.value(it.key()) || it.key() == QStringLiteral("okButton"),
                     qPrintable(it.key()));
    }

    void programCaptions_anyLocale_stayTheSame()
    {
        QTemporaryDir dir;
        const QStringList ja = captionsIn(kJapanese, dir.path());
        QCOMPARE(captionsIn(kEnglish, dir.path()), ja);
        QVERIFY(ja.contains(QStringLiteral("バージョン情報")));
        QVERIFY(ja.contains(QStringLiteral("看板の画像を設定...")));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
