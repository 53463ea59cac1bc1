// The main window: its composition, start-up, popup rules, caption and shut-down.

#include <app/application.h>
#include <app/buswindow.h>
#include <common/layout.h>
#include <common/toplevel.h>
#include <fakes/fakedialogs.h>
#include <panel/controlpanel.h>
#include <resources/resources.h>
#include <signboard/signboard.h>
#include <signs/signrolls.h>
#include <support/buswindowfixture.h>
#include <tools/artwork/samedrawing.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSessionManager>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using Fixture = BusWindowFixture;

QPoint centreOf(const twips::Rect &r)
{
    return twips::toPixels(r).center();
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget &w) { w.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

class TestBusWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(dir_.isValid()); }

    // The pictures, the hidden second sign window and door image are seen by the paint test and
    // the popup test; what they cannot see is here.
    void composition_started_firstSignShownRightLeafOnTop()
    {
        Fixture f(dir_.path());
        BusWindow &w = *f.form;
        QVERIFY(!child<PictureBox>(w, "signWindow_0")->isHidden());
        // The right leaf takes the clicks where the leaves overlap.
        const auto *left = control<ImageControl>(w, "centreLeaf_0");
        const auto *right = control<ImageControl>(w, "centreLeaf_1");
        const QRect overlap = left->pixelRect() & right->pixelRect();
        QVERIFY(!overlap.isEmpty());
        QCOMPARE(child<WindowlessLayer>(w, "surface")->controlAt(overlap.center()), right);
    }

    void paint_started_showsTheBusWithItsDoorsStretchedOverTheDoorways()
    {
        Fixture f(dir_.path());
        const QImage shown = f.form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage expected = QImage(QString::fromLatin1(res::kBus))
                              .convertToFormat(QImage::Format_RGB32)
                              .copy(0, 0, layout::kClientWidth, layout::kBusHeight);
        QPainter p(&expected);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        // The right leaf lies over the left one.
        for (const auto &[rect, picture] : {std::pair{layout::kFrontDoor, res::kFrontDoor},
                                            {layout::kCentreLeftLeaf, res::kCentreLeftLeaf},
                                            {layout::kCentreRightLeaf, res::kCentreRightLeaf}})
            p.drawImage(QRectF(twips::toPixels(rect)), QImage(QString::fromLatin1(picture)));
        p.end();
        QCOMPARE(shown.size(), expected.size());
        // The sign window and the signboard in its frame show pictures of their own.
        QImage masked = shown;
        for (QImage *image : {&masked, &expected}) {
            QPainter mask(image);
            for (const twips::Rect &r :
                 {layout::kSignWindow, layout::kSignboard, layout::kSignboardFrameLeft,
                  layout::kSignboardFrameRight, layout::kSignboardFrameBottom})
                mask.fillRect(twips::toPixels(r), Qt::magenta);
        }
        // The window may smooth the stretched doors through other blending code than this
        // painter does; a door at another place or size differs along its whole edge.
        const artwork::DrawingDifference d = artwork::compareDrawings(masked, expected);
        QVERIFY2(d.withinCpuNoise(), qPrintable(d.describe()));
    }

    void startUp_withoutSettings_appliesDefaults()
    {
        Fixture f(dir_.path());
        ControlPanel &p = f.form->panel();
        // The defaults went through the change handlers, which filled the displays while the
        // panel was hidden; the saved line shows the values themselves.
        QCOMPARE(child<QLabel>(p, "frontDoorDelayDisplay")->text(), QStringLiteral("10000"));
        QCOMPARE(child<QLabel>(p, "centreDoorDelayDisplay")->text(), QStringLiteral("6000"));
        QCOMPARE(child<QLabel>(p, "rollStepDisplay_0")->text(), QStringLiteral("1"));
        // The windows start where the recovery puts them (tst_settingsapply); the panel then moves
        // right below the main window's frame, once the window has been framed.
        QTRY_COMPARE(p.topTwips(), toplevel::frameHeight(f.form.get()));
        QVERIFY(p.isVisible());
    }

    void caption_renamedExecutable_namesIt()
    {
        Fixture renamed(dir_.path(), QStringLiteral("バス2号"));
        QCOMPARE(renamed.form->windowTitle(), QStringLiteral("ソルベナ\u3000-\u3000バス2号"));
    }

    void popup_pressed_onlyRightOnBackgroundFrameOrBoardOpensMenu()
    {
        Fixture f(dir_.path());
        BusWindow &w = *f.form;
        QTest::mousePress(&w, Qt::RightButton, {}, QPoint(150, 190));
        QCOMPARE(f.popup.shownAt.size(), size_t(1));
        QCOMPARE(f.popup.lastMenu, child<QMenu>(w, "popupMenu"));
        // A frame bar takes no mouse input of its own.
        QTest::mousePress(&w, Qt::RightButton, {},
                          centreOf(control<ShapeControl>(w, "signboardFrame_2")->rect()));
        QCOMPARE(f.popup.shownAt.size(), size_t(2));
        // So does the signboard itself.
        QTest::mousePress(child<SignboardBox>(w, "signboard"), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(f.popup.shownAt.size(), size_t(3));
        // Other buttons, and the door pictures, open nothing.
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(150, 190));
        QTest::mousePress(&w, Qt::MiddleButton, {}, QPoint(150, 190));
        QTest::mousePress(&w, Qt::RightButton, {},
                          centreOf(control<ImageControl>(w, "frontDoor")->rect()));
        QTest::mousePress(&w, Qt::RightButton, {},
                          centreOf(control<ImageControl>(w, "centreLeaf_0")->rect()));
        QTest::mousePress(&w, Qt::RightButton, {},
                          centreOf(control<ImageControl>(w, "centreLeaf_1")->rect()));
        QCOMPARE(f.popup.shownAt.size(), size_t(3));
    }

    void menu_rightReleaseThenLeftClickOnItem_onlyLeftClickChooses()
    {
        Fixture f(dir_.path());
        BusWindow &w = *f.form;
        QMenu *menu = child<QMenu>(w, "popupMenu");
        // popup() does not wait for the choice as the program's exec() does.
        menu->popup(w.mapToGlobal(QPoint(150, 190)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        const QPoint item = menu->actionGeometry(child<QAction>(w, "showSignboardAction")).center();
        QTest::mousePress(menu, Qt::RightButton, {}, item);
        QTest::mouseRelease(menu, Qt::RightButton, {}, item);
        QVERIFY(child<QAction>(w, "showSignboardAction")->isChecked());
        QVERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, item);
        QVERIFY(!child<QAction>(w, "showSignboardAction")->isChecked());
        QVERIFY(child<SignboardBox>(w, "signboard")->isHidden());
        QVERIFY(!menu->isVisible());
    }

    void panelSwitches_clicked_moveTheDoorsOnTheBus()
    {
        Fixture f(dir_.path());
        BusWindow &w = *f.form;
        ControlPanel &p = w.panel();
        const auto width = [&w](const char *name) {
            return control<ImageControl>(w, name)->widthTwips();
        };
        child<QScrollBar>(p, "frontDoorDelay")->setValue(1);
        child<QScrollBar>(p, "centreDoorDelay")->setValue(1);
        QTest::mouseClick(child<QPushButton>(p, "frontDoorSwitch"), Qt::LeftButton);
        QCOMPARE(width("frontDoor"), layout::kFrontDoorOpenWidth);
        QTest::mouseClick(child<QPushButton>(p, "frontDoorSwitch"), Qt::LeftButton);
        QCOMPARE(width("frontDoor"), layout::kFrontDoor.width);

        // Only the left leaf. The centre door's sounds, and its closing, are heard through the
        // main window in tst_realsound.
        QTest::mouseClick(child<QRadioButton>(p, "leafOption_1"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(p, "centreDoorSwitch"), Qt::LeftButton);
        QCOMPARE(width("centreLeaf_0"), layout::kCentreLeafOpenWidth);
        QCOMPARE(width("centreLeaf_1"), layout::kCentreRightLeaf.width);
    }

    // The step the settings gave and the one the user sets on the panel both wind the roll.
    void rollStep_fromSettingsThenFromPanel_windsTheRoll()
    {
        writeFile(dir_.filePath(QStringLiteral("QT17C0042.ini")),
                  "0,0,0,0,\"\",\"\",450,0,\"\",8910,1605,#TRUE#,#TRUE#,6000,10000,0\r\n");
        Fixture f(dir_.path());
        QWidget *sign = child<QWidget>(*f.form, "signWindow_0");
        QTest::keyClick(sign, Qt::Key_Down);
        QCOMPARE(rollIn(*f.form, 0)->topTwips(), -450.0f);
        child<QScrollBar>(f.form->panel(), "rollStep_0")->setValue(30);
        QTest::keyClick(sign, Qt::Key_Up);
        QCOMPARE(rollIn(*f.form, 0)->topTwips(), -420.0f);
    }

    void soundDevice_firstPaint_preparedOnce()
    {
        // A window shown later prepares after any earlier window's preparing would have come.
        Fixture hidden(dir_.path(), QStringLiteral("QT17C0042"), false);
        Fixture f(dir_.path());
        QTRY_COMPARE(f.sound.prepared, 1);
        QCOMPARE(hidden.sound.prepared, 0);
        PaintCounter painted(*f.form);
        f.form->update();
        QTRY_VERIFY(painted.count > 0);
        Fixture later(dir_.path());
        QTRY_COMPARE(later.sound.prepared, 1);
        QCOMPARE(f.sound.prepared, 1);
    }

    void versionButton_clicked_opensAboutDialogModally()
    {
        Fixture f(dir_.path());
        // Only a modal window is the active modal widget; the dialog itself is
        // tst_aboutdialog's.
        QString title;
        QTimer::singleShot(0, [&] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                title = dialog->windowTitle();
                dialog->close();
            }
        });
        QTest::mouseClick(child<QPushButton>(f.form->panel(), "aboutButton"), Qt::LeftButton);
        QCOMPARE(title, QStringLiteral("ソルベナのバージョン情報"));
    }

    void session_checkpoint_savesSettingsAndKeepsRunning()
    {
        Fixture f(dir_.path());
        followSession(*qApp, *f.form);
        child<QScrollBar>(f.form->panel(), "frontDoorDelay")->setValue(1234);
        auto *session = qApp->findChild<QSessionManager *>();
        QVERIFY(session);
        emit qApp->commitDataRequest(*session);
        QVERIFY(readFile(dir_.filePath(QStringLiteral("QT17C0042.ini"))).contains(",1234,"));
        QVERIFY(f.form->isVisible());
        QTRY_VERIFY(f.form->panel().isVisible());
    }

    void session_quitRequest_closesBothWindowsSavesAndEnds()
    {
        Fixture f(dir_.path());
        followSession(*qApp, *f.form);
        child<QScrollBar>(f.form->panel(), "centreDoorDelay")->setValue(4321);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        // Should the quit be lost, end the loop with another code instead of waiting forever.
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(readFile(dir_.filePath(QStringLiteral("QT17C0042.ini"))).contains(",4321,"));
        QVERIFY(!f.form->isVisible());
        QVERIFY(!f.form->panel().isVisible());
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestBusWindow)
#include "tst_buswindow.moc"
