// Sign windows and rolls: winding with the arrow keys, focus, and loading a roll picture.

#include <signs/signrolls.h>
#include <support/buswindowfixture.h>
#include <support/drops.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <limits>

namespace {

// The sign windows on a window of their own; the paths they report are kept as a settings
// model would keep them.
struct Signs {
    QWidget form;
    FakeFileDialog dialog;
    FakeMessageBox messageBox;
    SignRolls signs{&form, dialog, messageBox};
    std::array<QString, 2> chosen;

    Signs()
    {
        QObject::connect(&signs, &SignRolls::rollChosen, &form,
                         [this](int sign, const QString &path) { chosen.at(sign) = path; });
        showActive(form);
    }
};

} // namespace

class TestSignRolls : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        f_ = std::make_unique<Signs>();
        signs_ = &f_->signs;
        window_ = child<PictureBox>(f_->form, "signWindow_0");
    }
    void cleanup() { f_.reset(); }

    // Up shows nearer the top of the roll; held modifiers change nothing; other keys do nothing.
    void arrows_windByStep_whateverTheModifiers()
    {
        const float otherTop = rollIn(f_->form, 1)->topTwips();
        setStep(100);
        QTest::keyClick(focusWindow(), Qt::Key_Up);
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), 100.0f);
        QTest::keyClick(window_, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(window_, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(window_, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), -200.0f);
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_A,
                          Qt::Key_Space})
            QTest::keyClick(window_, k);
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), -200.0f);
        QCOMPARE(rollIn(f_->form, 1)->topTwips(), otherTop);
    }

    void arrows_stepChangedBetweenPresses_eachPressUsesTheCurrentStep()
    {
        focusWindow();
        wind(0, 450, Qt::Key_Down);
        wind(0, 30, Qt::Key_Down);
        wind(0, 0, Qt::Key_Down);
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), -480.0f);
        // An auto-repeated press winds once more.
        setStep(10);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(window_, &repeat);
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), -490.0f);
    }

    void wound_pastTheRange_clampsInsteadOfWrapping()
    {
        constexpr std::int32_t max = std::numeric_limits<std::int32_t>::max();
        constexpr std::int32_t min = std::numeric_limits<std::int32_t>::min();
        QCOMPARE(signs::wound(max - 10, 1000, true), max);
        QCOMPARE(signs::wound(min + 10, 1000, false), min);
        QCOMPARE(signs::wound(max - 10, 1000, false), max - 1010);
    }

    void click_onRollOrWindow_givesWindowTheFocus()
    {
        window_->clearFocus();
        // The roll covers the whole window until it is wound: this click lands on the roll.
        QVERIFY(window_->layer().controlAt(QPoint(10, 10)));
        QTest::mouseClick(window_, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(window_->hasFocus());
    }

    // A roll picture comes by a double-click's file dialog or by a drop; both load alike.
    void load_dialogOrDrop_loadsAtNaturalSizeAndShowsTop_data() { dialogOrDropRows(); }
    void load_dialogOrDrop_loadsAtNaturalSizeAndShowsTop()
    {
        QFETCH(bool, drop);
        const QString path =
            writePicture(dir_.filePath(QStringLiteral("a roll.bmp")), {48, 600}, Qt::black);
        wind(0, 450, Qt::Key_Down);
        wind(1, 77, Qt::Key_Up);
        QVERIFY(load(drop, path));
        QCOMPARE(f_->dialog.opened, drop ? 0 : 1);
        QCOMPARE(f_->chosen[0], path);
        QCOMPARE(rollIn(f_->form, 0)->widthTwips(), 720.0f);
        QCOMPARE(rollIn(f_->form, 0)->heightTwips(), 9000.0f);
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), 0.0f);
        // The other window keeps its offset.
        QCOMPARE(rollIn(f_->form, 1)->topTwips(), 77.0f);
        QVERIFY(f_->messageBox.shown.empty());
    }

    void load_cancelled_changesNothing()
    {
        f_->chosen[0] = QStringLiteral("/earlier/roll.gif");
        wind(0, 30, Qt::Key_Down);
        f_->dialog.setNextAnswer(std::nullopt);
        QTest::mouseDClick(window_, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(f_->dialog.opened, 1);
        QCOMPARE(f_->chosen[0], QStringLiteral("/earlier/roll.gif"));
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), -30.0f);
        QVERIFY(f_->messageBox.shown.empty());
    }

    void load_notAPicture_keepsPictureAndOffsetButRemembersPath_data() { dialogOrDropRows(); }
    void load_notAPicture_keepsPictureAndOffsetButRemembersPath()
    {
        QFETCH(bool, drop);
        QVERIFY(load(drop,
                     writePicture(dir_.filePath(QStringLiteral("good.bmp")), {48, 90}, Qt::white)));
        const QImage before = rollIn(f_->form, 0)->image();
        wind(0, 15, Qt::Key_Down);

        const QString junk = dir_.filePath(QStringLiteral("notes.jpg"));
        writeFile(junk, "this is not a picture");
        QVERIFY(load(drop, junk));

        QCOMPARE(f_->chosen[0], junk);
        QCOMPARE(rollIn(f_->form, 0)->image(), before);
        QCOMPARE(rollIn(f_->form, 0)->topTwips(), -15.0f);
        QCOMPARE(f_->messageBox.shown.size(), size_t(1));
        const auto &shown = f_->messageBox.shown[0];
        QVERIFY2(shown.text.contains(QStringLiteral("notes.jpg")), qPrintable(shown.text));
        QVERIFY(!shown.text.contains(QLatin1Char('\n')));
        QCOMPARE(shown.icon, MessageBox::Icon::None);
    }

    // Dropping a file on a sign window.

    void drop_nameNotUtf8_keepsItsBytes()
    {
        const QString plain =
            writePicture(dir_.filePath(QStringLiteral("plain.bmp")), {48, 90}, Qt::white);
        const QByteArray bytes = QFile::encodeName(dir_.path()) + "/\xe9t\xe9.bmp";
        QCOMPARE(std::rename(QFile::encodeName(plain).constData(), bytes.constData()), 0);
        const QList<QUrl> urls{QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"))};
        QVERIFY(dropUrls(window_, urls));
        const bool loaded = f_->messageBox.shown.empty();
        // QTemporaryDir cannot name it.
        std::remove(bytes.constData());
        QVERIFY(loaded);
        QCOMPARE(rollIn(f_->form, 0)->heightTwips(), 1350.0f);
    }

    void drop_severalFilesFolderOrRemote_showsNoDropAndChangesNothing()
    {
        const QString a = writePicture(dir_.filePath(QStringLiteral("a.bmp")), {48, 90}, Qt::white);
        const QString b = writePicture(dir_.filePath(QStringLiteral("b.bmp")), {48, 90}, Qt::white);
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("rolls.bmp")));
        const QList<QList<QUrl>> refused{
            {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)},
            {QUrl::fromLocalFile(dir_.filePath(QStringLiteral("rolls.bmp")))},
            {QUrl(QStringLiteral("https://example.org/roll.bmp"))},
            {QUrl(QStringLiteral("file://elsewhere") + a)},
            {}};
        for (const QList<QUrl> &urls : refused) {
            QVERIFY2(!dropUrls(window_, urls), qPrintable(QUrl::toStringList(urls).join(u' ')));
        }
        QVERIFY(f_->chosen[0].isEmpty());
        QVERIFY(rollIn(f_->form, 0)->image().isNull());
        QVERIFY(f_->messageBox.shown.empty());
    }

private:
    void setStep(int v, int i = 0) { signs_->setRollStep(i, v); }
    QWidget *focusWindow()
    {
        QTest::mouseClick(window_, Qt::LeftButton, {}, QPoint(10, 10));
        return window_;
    }
    static void dialogOrDropRows()
    {
        QTest::addColumn<bool>("drop");
        QTest::newRow("dialog") << false;
        QTest::newRow("drop") << true;
    }
    // Loads sign window 0's roll by a double-click's file dialog or by a drop.
    bool load(bool drop, const QString &path)
    {
        if (drop)
            return dropUrls(window_, {QUrl::fromLocalFile(path)});
        f_->dialog.setNextAnswer(path);
        QTest::mouseDClick(window_, Qt::LeftButton, {}, QPoint(10, 10));
        return true;
    }
    // One key press on sign window i with the given step.
    void wind(int i, int step, Qt::Key key)
    {
        setStep(step, i);
        QTest::keyClick(child<PictureBox>(f_->form, QStringLiteral("signWindow_%1").arg(i)), key);
    }

    QTemporaryDir dir_;
    std::unique_ptr<Signs> f_;
    SignRolls *signs_ = nullptr;
    PictureBox *window_ = nullptr;
};

QTEST_MAIN(TestSignRolls)
#include "tst_signrolls.moc"
