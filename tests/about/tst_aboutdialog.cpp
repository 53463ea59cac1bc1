#include <about/aboutdialog.h>
#include <about/gothiclabel.h>
#include <fakes/fakedialogs.h>
#include <platform/maker/makerlibrary.h>
#include <support/children.h>
#include <support/spoken.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
// A dialog with fakes for its side effects and the maker's library from one folder.
struct Fixture {
    explicit Fixture(const QString &makerFolder)
        : maker(makerFolder), dialog(messageBox, urlOpener, maker, QStringLiteral("QT17C0042"))
    {
    }
    FakeMessageBox messageBox;
    FakeUrlOpener urlOpener;
    SharedMakerLibrary maker;
    AboutDialog dialog;
};

GothicLabel *label(const AboutDialog &d, const char *name)
{
    return child<GothicLabel>(d, name);
}
QPushButton *ok(const AboutDialog &d)
{
    return child<QPushButton>(d, "okButton");
}
GothicLabel *link(const AboutDialog &d)
{
    return child<GothicLabel>(d, "homePageLink");
}
} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT
private slots:
    // A keyboard user reaches the link with Tab and opens the page with Space or Enter; Enter
    // there is the link's, not the default button's, and Esc still closes.
    void link_tabbedToAndPressed_opensThePageAndTheDialogStays_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }
    void link_tabbedToAndPressed_opensThePageAndTheDialogStays()
    {
        QFETCH(int, key);
        Fixture f(QStringLiteral(OTHER_DIR));
        AboutDialog &d = f.dialog;
        QVERIFY(showActive(d));
        QCOMPARE(QApplication::focusWidget(), ok(d));
        const QImage unfocused = link(d)->grab().toImage();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), link(d));
        // The focus shows on the link.
        QVERIFY(link(d)->grab().toImage() != unfocused);

        QTest::keyClick(link(d), Qt::Key(key),
                        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(f.urlOpener.opened,
                 QStringList{QStringLiteral("https://planted.example/案内?q=a b")});
        QVERIFY(d.isVisible());
        // Other keys are no press, and a key held down opens the page only once.
        QTest::keyClick(link(d), Qt::Key_A);
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(link(d), &repeat);
        QCOMPARE(f.urlOpener.opened.size(), 1);

        QTest::keyClick(link(d), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), ok(d));
        QTest::keyClick(link(d), Qt::Key_Escape);
        QVERIFY(!d.isVisible());
        QVERIFY(f.messageBox.shown.empty());
    }

    void closingKey_pressed_clicksOk_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void closingKey_pressed_clicksOk()
    {
        QFETCH(int, key);
        Fixture f(QDir::tempPath());
        AboutDialog &d = f.dialog;
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), ok(d));
        int okClicks = 0;
        connect(ok(d), &QPushButton::clicked, [&] { ++okClicks; });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(okClicks, 1);
        QVERIFY(!d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(f.messageBox.shown.empty());
    }

    // The library's own descriptions are tested with it; here, how the dialog reports one.
    void link_makerLibraryMissing_reportedEveryClickDialogStaysOpen()
    {
        const QString missing = QDir::tempPath() + QStringLiteral("/solbena-no-maker-here");
        const QString report =
            QStringLiteral("The library file \"%1/libKVX3Res.so\" was not found.\r\n\r\n"
                           " 上記内容をトワニHP関係者まで報告してください。")
                .arg(missing);
        Fixture f(missing);
        f.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.dialog));
        for (int click = 1; click <= 2; ++click) {
            QTest::mouseClick(link(f.dialog), Qt::LeftButton);
            QCOMPARE(f.messageBox.shown.size(), std::size_t(click));
            const FakeMessageBox::Shown &m = f.messageBox.shown.back();
            QCOMPARE(m.text, report);
            QCOMPARE(m.title, QStringLiteral("Towhpurl.dllのエラー"));
            QCOMPARE(m.icon, MessageBox::Icon::Critical);
            QVERIFY(f.dialog.isVisible());
        }
        QVERIFY(f.urlOpener.opened.isEmpty());
    }

    void link_leftClicked_opensTheAddressUnchanged()
    {
        Fixture f(QStringLiteral(OTHER_DIR));
        f.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.dialog));
        // Only a left click is a click.
        QTest::mouseClick(link(f.dialog), Qt::RightButton);
        QVERIFY(f.urlOpener.opened.isEmpty());
        QTest::mouseClick(link(f.dialog), Qt::LeftButton);
        QCOMPARE(f.urlOpener.opened,
                 QStringList{QStringLiteral("https://planted.example/案内?q=a b")});
        QVERIFY(f.messageBox.shown.empty());
        QVERIFY(f.dialog.isVisible());
    }

    // The link's name says where it leads, not "click here".
    void accessibleNames_linkAndOk_namedAndDescribed()
    {
        Fixture f(QDir::tempPath());
        QLabel *link = label(f.dialog, "homePageLink");
        QCOMPARE(spoken(link), QStringLiteral("Maker's home page"));
        QVERIFY(!spoken(link, QAccessible::Description).isEmpty());
        QCOMPARE(spoken(ok(f.dialog)), QStringLiteral("OK"));
        QVERIFY(!spoken(ok(f.dialog), QAccessible::Description).isEmpty());
    }

    // The Gothic's line is taller and its kana wider than the labels are sized for; no text may
    // be cut off at a label's edge, and the link's underline must be drawn.
    void labelText_drawn_liesInsideTheLabels()
    {
        if (!QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK JP")))
            QSKIP("Noto Sans CJK JP is not installed");
        Fixture f(QDir::tempPath());
        AboutDialog &d = f.dialog;
        QCOMPARE(QFontInfo(label(d, "homePageLink")->font()).family(),
                 QStringLiteral("Noto Sans CJK JP"));

        for (const char *name :
             {"title", "modelAndSerial", "version", "maker", "developer", "homePageLink"}) {
            const GothicLabel *l = label(d, name);
            QVERIFY2(l, name);
            const QFontMetricsF fm(l->drawnFont());
            const QRectF ink = fm.tightBoundingRect(l->text()).translated(0, l->baseline());
            QVERIFY2(ink.top() >= 0 && ink.bottom() <= l->height(), qPrintable(l->text()));
            QVERIFY2(fm.horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
        }
        // Set tighter only as far as needed.
        QCOMPARE(label(d, "version")->drawnFont(), label(d, "version")->font());

        const QImage link = label(d, "homePageLink")->grab().toImage();
        auto blue = [&](int x, int y) {
            const QColor c = link.pixelColor(x, y);
            return c.blue() > 200 && c.red() < 100 && c.green() < 100;
        };
        // The underline: a row of the link's lower half that is mostly blue.
        bool underlined = false;
        for (int y = link.height() / 2; y < link.height(); ++y) {
            int n = 0;
            for (int x = 0; x < link.width(); ++x)
                n += blue(x, y);
            underlined = underlined || n > link.width() * 3 / 4;
        }
        QVERIFY2(underlined, "the link's underline is not drawn");
    }

    void showAboutDialog_called_waitsModallyAndBuildsAfresh()
    {
        FakeMessageBox messageBox;
        FakeUrlOpener urlOpener;
        SharedMakerLibrary maker(QDir::tempPath());
        QStringList seen;
        bool modal = true;
        for (const QString &name : {QStringLiteral("QT17C0042"), QStringLiteral("QT17C0043")}) {
            QTimer::singleShot(0, this, [&] {
                auto *d = qobject_cast<AboutDialog *>(QApplication::activeModalWidget());
                if (!d) {
                    modal = false;
                    for (QWidget *w : QApplication::topLevelWidgets())
                        if (auto *open = qobject_cast<AboutDialog *>(w))
                            ok(*open)->click();
                    return;
                }
                modal = modal && d->windowModality() == Qt::ApplicationModal &&
                        d->parentWidget() == nullptr;
                seen << label(*d, "modelAndSerial")->text();
                QTest::keyClick(d, Qt::Key_Escape);
            });
            showAboutDialog(messageBox, urlOpener, maker, name);
        }
        QVERIFY(modal);
        QCOMPARE(seen, (QStringList{QStringLiteral("型番・製造番号：QT17C0042"),
                                    QStringLiteral("型番・製造番号：QT17C0043")}));
        // Closed dialogs are gone, not hidden.
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<AboutDialog *>(w));
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
