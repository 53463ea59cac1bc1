// Sign windows and rolls: winding with the arrow keys, focus, and loading a roll picture.

#include <settings/frmset.h>
#include <signs/signrolls.h>
#include <support/drops.h>
#include <support/form1fixture.h>

#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>
#include <limits>

class TestSignRolls : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        f_ = std::make_unique<Form1Fixture>(dir_.path());
        signs_ = &f_->form->signs();
        window_ = signs_->picWaku1[0];
    }
    void cleanup() { f_.reset(); }

    void arrows_windByStep_upShowsNearerTheTop()
    {
        setStep(100);
        QTest::keyClick(focusWindow(), Qt::Key_Up);
        QCOMPARE(signs_->offsets[0], 100);
        QCOMPARE(signs_->imgMaku1[0]->Top(), 100.0f);
        QTest::keyClick(window_, Qt::Key_Down);
        QTest::keyClick(window_, Qt::Key_Down);
        QCOMPARE(signs_->offsets[0], -100);
        QCOMPARE(signs_->imgMaku1[0]->Top(), -100.0f);
        // Only roll 0 moved.
        QCOMPARE(signs_->offsets[1], 0);
    }

    void arrows_stepReadAtEveryPress()
    {
        focusWindow();
        setStep(450);
        QTest::keyClick(window_, Qt::Key_Down);
        setStep(30);
        QTest::keyClick(window_, Qt::Key_Down);
        setStep(0);
        QTest::keyClick(window_, Qt::Key_Down);
        QCOMPARE(signs_->offsets[0], -480);
        // An auto-repeated press winds once more.
        setStep(10);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(window_, &repeat);
        QCOMPARE(signs_->offsets[0], -490);
    }

    void arrows_modifiersIgnored_otherKeysDoNothing()
    {
        focusWindow();
        setStep(5);
        QTest::keyClick(window_, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(window_, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(window_, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(signs_->offsets[0], -5);
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown,
                          Qt::Key_A, Qt::Key_Space})
            QTest::keyClick(window_, k);
        QCOMPARE(signs_->offsets[0], -5);
        QCOMPARE(signs_->imgMaku1[0]->Top(), -5.0f);
    }

    void arrows_pastTheRange_clampInsteadOfWrapping()
    {
        focusWindow();
        setStep(1000);
        signs_->offsets[0] = std::numeric_limits<std::int32_t>::max() - 10;
        QTest::keyClick(window_, Qt::Key_Up);
        QCOMPARE(signs_->offsets[0], std::numeric_limits<std::int32_t>::max());
        signs_->offsets[0] = std::numeric_limits<std::int32_t>::min() + 10;
        QTest::keyClick(window_, Qt::Key_Down);
        QCOMPARE(signs_->offsets[0], std::numeric_limits<std::int32_t>::min());
    }

    void click_onRollOrWindow_givesWindowTheFocus()
    {
        f_->form->panel().scllMakuSpeed[0]->setFocus();
        // The roll covers the whole window at design time.
        QTest::mouseClick(window_, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(window_->hasFocus());
        QCOMPARE(signs_->picWaku1[0]->layer().controlAt(QPoint(10, 10)), signs_->imgMaku1[0]);
    }

    void doubleClick_choosesFile_loadsAtNaturalSizeAndShowsTop()
    {
        const QString path = writePicture(dir_.filePath("roll.bmp"), {48, 600}, Qt::black);
        signs_->offsets[0] = -450;
        signs_->offsets[1] = 77;
        f_->dialog.setNextAnswer(path);
        QTest::mouseDClick(window_, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(f_->dialog.opened, 1);
        QCOMPARE(Common::rollPicturePaths[0], path);
        QCOMPARE(signs_->imgMaku1[0]->Width(), 720.0f);
        QCOMPARE(signs_->imgMaku1[0]->Height(), 9000.0f);
        QCOMPARE(signs_->offsets[0], 0);
        QCOMPARE(signs_->imgMaku1[0]->Top(), 0.0f);
        // The other window keeps its offset.
        QCOMPARE(signs_->offsets[1], 77);
        QVERIFY(f_->messageBox.shown.empty());
    }

    void load_cancelled_changesNothing()
    {
        Common::rollPicturePaths[0] = QStringLiteral("/earlier/roll.gif");
        signs_->offsets[0] = -30;
        f_->dialog.setNextAnswer(std::nullopt);
        signs_->Load方向幕(0);
        QCOMPARE(Common::rollPicturePaths[0], QStringLiteral("/earlier/roll.gif"));
        QCOMPARE(signs_->offsets[0], -30);
        QVERIFY(f_->messageBox.shown.empty());
    }

    void load_notAPicture_keepsPictureButRemembersPath()
    {
        const QString good = writePicture(dir_.filePath("good.bmp"), {48, 90}, Qt::white);
        f_->dialog.setNextAnswer(good);
        signs_->Load方向幕(0);
        const QImage before = signs_->imgMaku1[0]->Picture();
        setStep(15);
        focusWindow();
        QTest::keyClick(window_, Qt::Key_Down);

        QFile junk(dir_.filePath("notes.jpg"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("this is not a picture");
        junk.close();
        f_->dialog.setNextAnswer(junk.fileName());
        signs_->Load方向幕(0);

        QCOMPARE(Common::rollPicturePaths[0], junk.fileName());
        QCOMPARE(signs_->imgMaku1[0]->Picture(), before);
        QCOMPARE(signs_->offsets[0], -15);
        QCOMPARE(signs_->imgMaku1[0]->Top(), -15.0f);
        QCOMPARE(f_->messageBox.shown.size(), size_t(1));
        const auto &shown = f_->messageBox.shown[0];
        QVERIFY2(shown.text.contains(QStringLiteral("notes.jpg")), qPrintable(shown.text));
        QVERIFY(!shown.text.contains(QLatin1Char('\n')));
        QVERIFY(shown.title.isEmpty() || shown.title == QStringLiteral("ソルベナ"));
        QCOMPARE(shown.icon, MessageBox::Icon::None);
    }

    void load_secondWindow_worksAlthoughHidden()
    {
        const QString path = writePicture(dir_.filePath("two.bmp"), {49, 100}, Qt::blue);
        signs_->offsets[0] = -60;
        f_->dialog.setNextAnswer(path);
        signs_->Load方向幕(1);
        QCOMPARE(Common::rollPicturePaths[1], path);
        QCOMPARE(signs_->imgMaku1[1]->Width(), 735.0f);
        // Its roll keeps its horizontal design position.
        QCOMPARE(signs_->imgMaku1[1]->Left(), -30.0f);
        QCOMPARE(signs_->offsets[0], -60);
    }

    // Dropping a file on a sign window.

    void drop_oneLocalPicture_loadsAsTheDialogChoiceDoes()
    {
        const QString path = writePicture(dir_.filePath("drop roll.bmp"), {48, 600}, Qt::black);
        signs_->offsets[0] = -450;
        const QList<QUrl> urls{QUrl::fromLocalFile(path)};
        QVERIFY(dropUrls(window_, urls));
        QCOMPARE(f_->dialog.opened, 0);
        QCOMPARE(Common::rollPicturePaths[0], path);
        QCOMPARE(signs_->imgMaku1[0]->Height(), 9000.0f);
        QCOMPARE(signs_->offsets[0], 0);
        QCOMPARE(signs_->imgMaku1[0]->Top(), 0.0f);
        QVERIFY(f_->messageBox.shown.empty());
    }

    void drop_nameNotUtf8_keepsItsBytes()
    {
        const QString plain = writePicture(dir_.filePath("plain.bmp"), {48, 90}, Qt::white);
        const QByteArray bytes = QFile::encodeName(dir_.path()) + "/\xe9t\xe9.bmp";
        QCOMPARE(std::rename(QFile::encodeName(plain).constData(), bytes.constData()), 0);
        const QList<QUrl> urls{QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"))};
        QVERIFY(dropUrls(window_, urls));
        const bool loaded = f_->messageBox.shown.empty();
        // QTemporaryDir cannot name it.
        std::remove(bytes.constData());
        QVERIFY(loaded);
        QCOMPARE(signs_->imgMaku1[0]->Height(), 1350.0f);
    }

    void drop_notAPicture_showsTheMessageAndKeepsThePicture()
    {
        const QString good = writePicture(dir_.filePath("good.bmp"), {48, 90}, Qt::white);
        signs_->loadChosenRoll(0, good);
        const QImage before = signs_->imgMaku1[0]->Picture();
        signs_->offsets[0] = -15;
        QFile junk(dir_.filePath("notes.jpg"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("this is not a picture");
        junk.close();
        QVERIFY(dropUrls(window_, {QUrl::fromLocalFile(junk.fileName())}));
        QCOMPARE(Common::rollPicturePaths[0], junk.fileName());
        QCOMPARE(signs_->imgMaku1[0]->Picture(), before);
        QCOMPARE(signs_->offsets[0], -15);
        QCOMPARE(f_->messageBox.shown.size(), size_t(1));
        QVERIFY(f_->messageBox.shown[0].text.contains(QStringLiteral("notes.jpg")));
    }

    void drop_severalFilesFolderOrRemote_showsNoDropAndChangesNothing()
    {
        const QString a = writePicture(dir_.filePath("a.bmp"), {48, 90}, Qt::white);
        const QString b = writePicture(dir_.filePath("b.bmp"), {48, 90}, Qt::white);
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("rolls.bmp")));
        const QList<QList<QUrl>> refused{{QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)},
                                         {QUrl::fromLocalFile(dir_.filePath("rolls.bmp"))},
                                         {QUrl(QStringLiteral("https://example.org/roll.bmp"))},
                                         {QUrl(QStringLiteral("file://elsewhere") + a)},
                                         {}};
        for (const QList<QUrl> &urls : refused) {
            QVERIFY2(!dropUrls(window_, urls), qPrintable(QUrl::toStringList(urls).join(u' ')));
        }
        QVERIFY(Common::rollPicturePaths[0].isEmpty());
        QVERIFY(signs_->imgMaku1[0]->Picture().isNull());
        QVERIFY(f_->messageBox.shown.empty());
    }

private:
    void setStep(int v) { f_->form->panel().scllMakuSpeed[0]->setValue(v); }
    QWidget *focusWindow()
    {
        signs_->picWaku1_Click(0);
        return window_;
    }

    QTemporaryDir dir_;
    std::unique_ptr<Form1Fixture> f_;
    SignRolls *signs_ = nullptr;
    PictureBox *window_ = nullptr;
};

QTEST_MAIN(TestSignRolls)
#include "tst_signrolls.moc"
