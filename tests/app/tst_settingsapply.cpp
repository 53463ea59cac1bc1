// The settings file as the main window applies it: order, round trip and the recovery.

#include <common/layout.h>
#include <common/toplevel.h>
#include <panel/controlpanel.h>
#include <signboard/signboard.h>
#include <signs/signrolls.h>
#include <support/buswindowfixture.h>
#include <tools/artwork/samedrawing.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>

namespace {

using R = twips::Rect;

} // namespace

class TestSettingsApply : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        started_.clear();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        ini_ = dir_->filePath(QStringLiteral("QT17C0042.ini"));
        roll_ = writePicture(dir_->filePath(QStringLiteral("roll.bmp")), {48, 300}, Qt::black);
        board_ = writePicture(dir_->filePath(QStringLiteral("board.bmp")), {80, 20}, Qt::yellow);
    }

    void roundTrip_everyField_survivesRestart()
    {
        {
            BusWindowFixture f(dir_->path());
            BusWindow &w = *f.form;
            ControlPanel &p = w.panel();
            toplevel::moveFrame(&w, 300, 450);
            p.setLeftTwips(1500);
            p.setTopTwips(6000);
            f.dialog.setNextAnswer(roll_);
            QTest::mouseDClick(child<QWidget>(w, "signWindow_0"), Qt::LeftButton, {},
                               QPoint(10, 10));
            f.dialog.setNextAnswer(board_);
            QTest::mouseDClick(child<QWidget>(w, "signWindow_1"), Qt::LeftButton, {},
                               QPoint(10, 10));
            f.dialog.setNextAnswer(board_);
            child<QAction>(w, "chooseSignboardPictureAction")->trigger();
            child<SignboardBox>(w, "signboard")->moveTwips(6000, 300, 1200, 300);
            child<QAction>(w, "showFrameAction")->trigger();
            child<QScrollBar>(p, "rollStep_0")->setValue(450);
            child<QScrollBar>(p, "rollStep_1")->setValue(30);
            child<QScrollBar>(p, "frontDoorDelay")->setValue(1);
            child<QScrollBar>(p, "centreDoorDelay")->setValue(30000);
            child<QRadioButton>(p, "leafOption_1")->setChecked(true);
            QVERIFY(w.close());
        }
        BusWindowFixture f(dir_->path(), QStringLiteral("QT17C0042"), false);
        BusWindow &w = *f.form;
        ControlPanel &p = w.panel();
        QCOMPARE(toplevel::frameLeft(&w), 300.0f);
        QCOMPARE(toplevel::frameTop(&w), 450.0f);
        QCOMPARE(p.leftTwips(), 1500.0f);
        QCOMPARE(p.topTwips(), 6000.0f);
        QCOMPARE(rollIn(w, 0)->heightTwips(), 4500.0f);
        QCOMPARE(rollIn(w, 1)->widthTwips(), 1200.0f);
        // The board comes back at its place with its picture's size and a fitted frame.
        QCOMPARE(rectOf(*child<SignboardBox>(w, "signboard")), (R{6000, 300, 1200, 300}));
        QCOMPARE(control<ShapeControl>(w, "signboardFrame_0")->rect(), (R{5925, 300, 75, 315}));
        QVERIFY(!child<QAction>(w, "showFrameAction")->isChecked());
        QVERIFY(!control<ShapeControl>(w, "signboardFrame_0")->isVisible());
        QVERIFY(child<QAction>(w, "showSignboardAction")->isChecked());
        QCOMPARE(child<QScrollBar>(p, "rollStep_0")->value(), 450);
        QCOMPARE(child<QScrollBar>(p, "rollStep_1")->value(), 30);
        QCOMPARE(child<QLabel>(p, "rollStepDisplay_1")->text(), QStringLiteral("30"));
        QCOMPARE(child<QScrollBar>(p, "frontDoorDelay")->value(), 1);
        QCOMPARE(child<QScrollBar>(p, "centreDoorDelay")->value(), 30000);
        QVERIFY(child<QRadioButton>(p, "leafOption_1")->isChecked());
        const Settings saved = savedBy(w);
        QCOMPARE(saved.rollPath0, roll_);
        QCOMPARE(saved.rollPath1, board_);
        QCOMPARE(saved.signboardPath, board_);
    }

    void load_sameValueAsLayout_displayKeepsZero()
    {
        BusWindow &w =
            startWith("0,0,0,0,\"\",\"\",0,0,\"\",8910,1605,#TRUE#,#TRUE#,6000,10000,2\r\n");
        ControlPanel &p = w.panel();
        QCOMPARE(child<QScrollBar>(p, "frontDoorDelay")->value(), 6000);
        QCOMPARE(child<QLabel>(p, "frontDoorDelayDisplay")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLabel>(p, "centreDoorDelayDisplay")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLabel>(p, "rollStepDisplay_0")->text(), QStringLiteral("0"));
        QVERIFY(child<QRadioButton>(p, "leafOption_2")->isChecked());
        // Empty paths load nothing and are no failure.
        QVERIFY(rollIn(w, 0)->image().isNull());
    }

    void load_fileEndsAfterField6_keepsPathsButAppliesDefaults()
    {
        BusWindow &w =
            startWith(QStringLiteral("15,30,45,60,\"%1\",\"/gone.gif\"\r\n").arg(roll_).toUtf8());
        QVERIFY(rollIn(w, 0)->image().isNull());
        QCOMPARE(toplevel::frameLeft(&w), 0.0f);
        QCOMPARE(child<QScrollBar>(w.panel(), "frontDoorDelay")->value(), 10000);
        const Settings saved = savedBy(w);
        QCOMPARE(saved.rollPath0, roll_);
        QCOMPARE(saved.rollPath1, QStringLiteral("/gone.gif"));
    }

    void load_deletedRollPicture_appliedUpToRollsThenRecovers()
    {
        BusWindow &w =
            startWith(QStringLiteral("600,900,0,4000,\"%1\",\"\",20,0,\"%2\",1000,200,#FALSE#,"
                                     "#FALSE#,7,8,1\r\n")
                          .arg(dir_->filePath(QStringLiteral("deleted.bmp")), board_)
                          .toUtf8());
        // The visibilities stay as read; everything else is back at the defaults.
        QVERIFY(child<SignboardBox>(w, "signboard")->isHidden());
        QVERIFY(!child<QAction>(w, "showSignboardAction")->isChecked());
        QVERIFY(!control<ShapeControl>(w, "signboardFrame_0")->isVisible());
        QVERIFY(!child<QAction>(w, "showFrameAction")->isChecked());
        QCOMPARE(toplevel::frameLeft(&w), 0.0f);
        QCOMPARE(w.panel().leftTwips(), 0.0f);
        QCOMPARE(rectOf(*child<SignboardBox>(w, "signboard")), layout::kSignboard);
        QVERIFY(child<SignboardBox>(w, "signboard")->image().isNull());
        QCOMPARE(child<QScrollBar>(w.panel(), "frontDoorDelay")->value(), 10000);
        QCOMPARE(child<QScrollBar>(w.panel(), "rollStep_0")->value(), 1);
        // The displays show what the file set before the recovery set it back.
        QCOMPARE(child<QLabel>(w.panel(), "frontDoorDelayDisplay")->text(),
                 QStringLiteral("10000"));
        QVERIFY(child<QRadioButton>(w.panel(), "leafOption_0")->isChecked());
        QCOMPARE(savedBy(w).signboardPath, board_);
    }

    void load_badOptionOrScrollValue_recoversAfterApplying()
    {
        const QByteArray good =
            QStringLiteral("0,0,0,0,\"%1\",\"\",5,0,\"\",8910,1605,#TRUE#,#TRUE#,")
                .arg(roll_)
                .toUtf8();
        const std::vector<QByteArray> tails{"9,9,3\r\n", "30001,9,0\r\n", "9,0,0\r\n", "9,9,-1\r\n",
                                            "70000,9,0\r\n"};
        for (const QByteArray &tail : tails) {
            ControlPanel &p = startWith(good + tail).panel();
            QCOMPARE(child<QScrollBar>(p, "frontDoorDelay")->value(), 10000);
            QCOMPARE(child<QScrollBar>(p, "centreDoorDelay")->value(), 6000);
            QVERIFY(child<QRadioButton>(p, "leafOption_0")->isChecked());
        }
        // With option 3 the whole file was applied first: the roll picture stays loaded.
        QVERIFY(!rollIn(startWith(good + "9,9,3\r\n"), 0)->image().isNull());
        // At the ends of their ranges the values are taken.
        ControlPanel &edge = startWith(good + "30000,1,2\r\n").panel();
        QCOMPARE(child<QScrollBar>(edge, "frontDoorDelay")->value(), 30000);
        QCOMPARE(child<QScrollBar>(edge, "centreDoorDelay")->value(), 1);
    }

    void save_defaultsAndUnreadableRoll_oneLineInFieldOrder()
    {
        {
            BusWindowFixture f(dir_->path());
            f.form->panel().setTopTwips(4500);
            // A roll that cannot be read is still remembered.
            f.dialog.setNextAnswer(QStringLiteral("/a,b/roll.gif"));
            QTest::mouseDClick(child<QWidget>(*f.form, "signWindow_1"), Qt::LeftButton, {},
                               QPoint(10, 10));
            QVERIFY(f.form->close());
        }
        QCOMPARE(readFile(ini_), QByteArray("0,0,0,4500,\"\",\"/a,b/roll.gif\",1,1,\"\",8910,1605,"
                                            "#TRUE#,#TRUE#,10000,6000,0\r\n"));
    }

    // A window saved on a monitor that is gone comes back where the recovery puts it; the
    // other window and every other setting keep what the file says.
    void load_windowsSavedOffEveryScreen_comeBackAloneKeepingTheRest_data()
    {
        QTest::addColumn<QPoint>("form");
        QTest::addColumn<QPoint>("panel");
        QTest::addColumn<bool>("formLost");
        QTest::addColumn<bool>("panelLost");
        QTest::newRow("both far away")
            << QPoint(60000, 45000) << QPoint(60000, 48000) << true << true;
        QTest::newRow("main window only")
            << QPoint(60000, 45000) << QPoint(1500, 4500) << true << false;
        QTest::newRow("panel only, left of the screen")
            << QPoint(300, 450) << QPoint(-30000, 450) << false << true;
    }
    void load_windowsSavedOffEveryScreen_comeBackAloneKeepingTheRest()
    {
        QFETCH(QPoint, form);
        QFETCH(QPoint, panel);
        QFETCH(bool, formLost);
        QFETCH(bool, panelLost);
        BusWindow &w =
            startWith(QStringLiteral("%1,%2,%3,%4,\"%5\",\"\",7,8,\"\",8910,1605,#TRUE#,#FALSE#,"
                                     "1234,4321,2\r\n")
                          .arg(form.x())
                          .arg(form.y())
                          .arg(panel.x())
                          .arg(panel.y())
                          .arg(roll_)
                          .toUtf8());
        ControlPanel &p = w.panel();
        const QRect home = QGuiApplication::primaryScreen()->availableGeometry();
        const QPointF formHome(twips::fromPixels(home.left()), twips::fromPixels(home.top()));
        const QPointF panelHome(formHome.x(), formHome.y() + toplevel::frameHeight(&w));
        QCOMPARE(QPointF(toplevel::frameLeft(&w), toplevel::frameTop(&w)),
                 formLost ? formHome : QPointF(form));
        QCOMPARE(QPointF(p.leftTwips(), p.topTwips()), panelLost ? panelHome : QPointF(panel));
        QCOMPARE(child<QScrollBar>(p, "frontDoorDelay")->value(), 1234);
        QVERIFY(child<QRadioButton>(p, "leafOption_2")->isChecked());
        QVERIFY(!rollIn(w, 0)->image().isNull());
    }

    // A copy in a read-only folder reads the file shipped beside it and saves its own elsewhere,
    // making that folder on the way.
    void settingsPlace_readAndSaveApart_readsOneSavesTheOther()
    {
        const QByteArray shipped =
            "0,0,0,4000,\"\",\"\",1,1,\"\",8910,1605,#TRUE#,#TRUE#,1234,6000,0\r\n";
        writeFile(ini_, shipped);
        const QString own = dir_->filePath(QStringLiteral("config/solbena/QT17C0042.ini"));
        {
            BusWindowFixture f(dir_->path(), QStringLiteral("QT17C0042"), false,
                               SettingsPlace{ini_, own});
            QCOMPARE(child<QScrollBar>(f.form->panel(), "frontDoorDelay")->value(), 1234);
            child<QScrollBar>(f.form->panel(), "frontDoorDelay")->setValue(4321);
            QVERIFY(f.form->close());
        }
        QVERIFY(readFile(own).endsWith(",4321,6000,0\r\n"));
        QCOMPARE(readFile(ini_), shipped);
    }

    // With no settings file at all, the samples beside the program are shown and saved as chosen
    // pictures are; a sample that is missing or damaged leaves its picture empty, as before.
    void firstStart_samplesBesideProgram_shownAndSaved_data()
    {
        QTest::addColumn<QByteArray>("roll"); // the sample roll's bytes; none when empty
        QTest::addColumn<bool>("rollShown");
        QTest::addColumn<bool>("board");
        const QByteArray roll = readFile(QStringLiteral(SOLBENA_SAMPLES_DIR "/roll.bmp"));
        QTest::newRow("both samples") << roll << true << true;
        QTest::newRow("no samples") << QByteArray() << false << false;
        QTest::newRow("roll cut short, board there") << roll.left(200) << false << true;
    }
    void firstStart_samplesBesideProgram_shownAndSaved()
    {
        QFETCH(QByteArray, roll);
        QFETCH(bool, rollShown);
        QFETCH(bool, board);
        const QString samples = dir_->filePath(QStringLiteral("samples"));
        QVERIFY(QDir().mkdir(samples));
        const QString rollPath = samples + QStringLiteral("/roll.bmp");
        const QString boardPath = samples + QStringLiteral("/wanman.bmp");
        if (!roll.isEmpty())
            writeFile(rollPath, roll);
        if (board)
            QVERIFY(QFile::copy(QStringLiteral(SOLBENA_SAMPLES_DIR "/wanman.bmp"), boardPath));

        BusWindow &w = startAsFound();
        for (int i = 0; i < 2; ++i)
            QCOMPARE(!rollIn(w, i)->image().isNull(), rollShown);
        if (rollShown) {
            // The roll's top, its first destination, fills the sign window.
            auto *sign = child<PictureBox>(w, "signWindow_0");
            const QImage shown = sign->grab().toImage();
            const QImage top = QImage(rollPath).copy(QRect(QPoint(), shown.size()));
            const artwork::DrawingDifference d = artwork::compareDrawings(shown, top);
            QVERIFY2(d.withinCpuNoise(), qPrintable(d.describe()));
        }
        const auto *signboard = child<SignboardBox>(w, "signboard");
        QCOMPARE(signboard->image().isNull(), !board);
        if (board) {
            QCOMPARE(signboard->image().size(), QImage(boardPath).size());
            QCOMPARE(control<ShapeControl>(w, "signboardFrame_2")->rect().top,
                     signboard->topTwips() + signboard->heightTwips());
        }
        // Everything else is the recovery's.
        QCOMPARE(toplevel::frameLeft(&w), 0.0f);
        QCOMPARE(child<QScrollBar>(w.panel(), "frontDoorDelay")->value(), 10000);

        const Settings saved = savedBy(w);
        QCOMPARE(saved.rollPath0, rollShown ? rollPath : QString());
        QCOMPARE(saved.rollPath1, rollShown ? rollPath : QString());
        QCOMPARE(saved.signboardPath, board ? boardPath : QString());
        // The next start reads them from the settings file like any other pictures.
        BusWindow &again = startAsFound();
        QCOMPARE(!rollIn(again, 0)->image().isNull(), rollShown);
        QCOMPARE(child<SignboardBox>(again, "signboard")->image().isNull(), !board);
    }

    // A settings file that is there but cannot be read is recovered from as ever: the samples
    // are for a first start only.
    void unreadableSettings_samplesBesideProgram_picturesStayEmpty_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder in its place") << QStringLiteral("folder");
        QTest::newRow("larger than any settings file") << QStringLiteral("large");
        QTest::newRow("link to nothing") << QStringLiteral("link");
    }
    void unreadableSettings_samplesBesideProgram_picturesStayEmpty()
    {
        QFETCH(QString, kind);
        const QString samples = dir_->filePath(QStringLiteral("samples"));
        QVERIFY(QDir().mkdir(samples));
        for (const char *name : {"roll.bmp", "wanman.bmp"})
            QVERIFY(QFile::copy(QStringLiteral(SOLBENA_SAMPLES_DIR "/") + QLatin1String(name),
                                samples + QLatin1Char('/') + QLatin1String(name)));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(ini_));
        else if (kind == QLatin1String("large"))
            writeFile(ini_, QByteArray(kMaxSettingsFileBytes + 1, '0'));
        else
            QVERIFY(QFile::link(dir_->filePath(QStringLiteral("gone.ini")), ini_));
        const QString saveTo = dir_->filePath(QStringLiteral("saved.ini"));
        BusWindowFixture f(dir_->path(), QStringLiteral("QT17C0042"), false,
                           SettingsPlace{ini_, saveTo});
        BusWindow &w = *f.form;
        QVERIFY(rollIn(w, 0)->image().isNull());
        QVERIFY(child<SignboardBox>(w, "signboard")->image().isNull());
        QVERIFY(w.close());
        const Settings saved = iniValuesIn(saveTo);
        QCOMPARE(saved.rollPath0, QString());
        QCOMPARE(saved.signboardPath, QString());
        QCOMPARE(saved.frontDoorDelay, 10000);
    }

private:
    // A window started, hidden, with whatever settings file the folder holds now; it lives
    // until the next test.
    BusWindow &startAsFound()
    {
        started_.push_back(
            std::make_unique<BusWindowFixture>(dir_->path(), QStringLiteral("QT17C0042"), false));
        return *started_.back()->form;
    }

    // A window started, hidden, from a settings file holding `line`; it lives until the next test.
    BusWindow &startWith(const QByteArray &line)
    {
        writeFile(ini_, line);
        return startAsFound();
    }

    // What the window saves when it closes now.
    Settings savedBy(BusWindow &w) const
    {
        w.close();
        return iniValuesIn(ini_);
    }

    std::vector<std::unique_ptr<BusWindowFixture>> started_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString ini_;
    QString roll_;
    QString board_;
};

QTEST_MAIN(TestSettingsApply)
#include "tst_settingsapply.moc"
