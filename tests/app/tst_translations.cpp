// The user's language: Qt's own dialogs and the program's failure descriptions follow it, the
// program's own Japanese captions never do.

#include <picture/picture.h>
#include <platform/dialogs/qtfiledialog.h>
#include <platform/translations/translations.h>
#include <settings/frmset.h>
#include <support/form1fixture.h>

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>

namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

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
    QFileDialog dialog;
    QtFileDialog(QString()).prepare(dialog);
    const auto *lookIn = dialog.findChild<QLabel *>(QStringLiteral("lookInLabel"));
    return {box.button(QMessageBox::Cancel)->text(), lookIn ? lookIn->text() : QString(),
            dialog.windowTitle()};
}

// Every caption the main window and the panel show.
QStringList captionsIn(const QLocale &locale, const QString &folder)
{
    const Translations translations(locale);
    Form1Fixture f(folder, QStringLiteral("QT17C0042"), false);
    QStringList texts{f.form->windowTitle(), f.form->panel().windowTitle()};
    for (QWidget *window :
         {static_cast<QWidget *>(f.form.get()), static_cast<QWidget *>(&f.form->panel())}) {
        for (const auto *b : window->findChildren<QAbstractButton *>())
            texts << b->text();
        for (const auto *l : window->findChildren<QLabel *>())
            texts << l->text();
    }
    for (const QAction *a : child<QMenu>(*f.form, "MnuTempMenu1")->actions())
        texts << a->text();
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
