// The signboard: its frame arithmetic, picture, menu commands, reset and drag.

#include <common/layout.h>
#include <signboard/signboard.h>
#include <support/buswindowfixture.h>
#include <support/drops.h>

#include <QAction>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {

using R = twips::Rect;
using Frame = std::array<R, 3>;
constexpr R kHome = layout::kSignboard;

// The frame hugging a board: side bars outside it that reach 15 below, the bottom bar under all.
Frame fitted(const R &b)
{
    return {R{b.left - 75, b.top, 75, b.height + 15}, R{b.left + b.width, b.top, 75, b.height + 15},
            R{b.left - 75, b.top + b.height, b.width + 150, 60}};
}

// The pointer is given on the screen: the widget moves under it while dragging.
void sendMouse(QWidget *w, QEvent::Type type, QPoint global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(w->mapFromGlobal(global)), QPointF(global), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

class TestSignboard : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        f_ = std::make_unique<BusWindowFixture>(dir_.path());
    }
    void cleanup() { f_.reset(); }

    void resize_grownBoard_frameFollowsWithoutFitting()
    {
        board()->moveTwips(kHome.left, kHome.top, kHome.width, 600);
        // The follow moves the bottom bar but leaves the side bars' height.
        QCOMPARE(bar(2)->rect(), fitted(rectOf(*board()))[2]);
        QCOMPARE(bar(0)->heightTwips(), kHome.height + 15);
        QCOMPARE(bar(1)->heightTwips(), kHome.height + 15);
    }

    // The menu's file dialog and a drop set the picture alike.
    void setPicture_dialogOrDrop_boardTakesPictureSizeAndFrameFits_data()
    {
        QTest::addColumn<bool>("drop");
        QTest::newRow("dialog") << false;
        QTest::newRow("drop") << true;
    }
    void setPicture_dialogOrDrop_boardTakesPictureSizeAndFrameFits()
    {
        QFETCH(bool, drop);
        const QString path =
            writePicture(dir_.filePath(QStringLiteral("board.bmp")), {120, 40}, Qt::yellow);
        if (drop) {
            QVERIFY(dropUrls(board(), {QUrl::fromLocalFile(path)}));
        } else {
            f_->dialog.setNextAnswer(path);
            child<QAction>(*f_->form, "chooseSignboardPictureAction")->trigger();
        }
        QCOMPARE(f_->dialog.opened, drop ? 0 : 1);
        QCOMPARE(savedPath(), path);
        QCOMPARE(rectOf(*board()), (R{kHome.left, kHome.top, 1800, 600}));
        QCOMPARE(frame(), fitted(rectOf(*board())));
        QVERIFY(f_->messageBox.shown.empty());
    }

    void choosePicture_whileHidden_staysHiddenAndUnchecked()
    {
        child<QAction>(*f_->form, "showSignboardAction")->trigger();
        f_->dialog.setNextAnswer(
            writePicture(dir_.filePath(QStringLiteral("b.bmp")), {50, 20}, Qt::red));
        child<QAction>(*f_->form, "chooseSignboardPictureAction")->trigger();
        QVERIFY(board()->isHidden());
        QVERIFY(!child<QAction>(*f_->form, "showSignboardAction")->isChecked());
        QCOMPARE(board()->widthTwips(), 750.0f);
        QCOMPARE(bar(1)->leftTwips(), kHome.left + 750.0f);
    }

    // A picture that cannot be read, chosen or dropped, or a cancelled dialog.
    void setPicture_failureOrCancel_changesNothingSilently()
    {
        const QString good =
            writePicture(dir_.filePath(QStringLiteral("good.bmp")), {60, 30}, Qt::green);
        f_->dialog.setNextAnswer(good);
        child<QAction>(*f_->form, "chooseSignboardPictureAction")->trigger();
        const QImage picture = board()->image();
        const R before = rectOf(*board());
        const R bottom = bar(2)->rect();

        const QString junk = dir_.filePath(QStringLiteral("junk.gif"));
        writeFile(junk, "GIF89a but nothing more");
        const std::vector<std::optional<QString>> answers{
            junk, dir_.filePath(QStringLiteral("missing.bmp")), QString(), std::nullopt};
        const auto unchanged = [&] {
            QCOMPARE(savedPath(), good);
            QCOMPARE(board()->image(), picture);
            QCOMPARE(rectOf(*board()), before);
            QCOMPARE(bar(2)->rect(), bottom);
        };
        for (const auto &answer : answers) {
            f_->dialog.setNextAnswer(answer);
            child<QAction>(*f_->form, "chooseSignboardPictureAction")->trigger();
            unchanged();
        }
        QVERIFY(dropUrls(board(), {QUrl::fromLocalFile(junk)}));
        unchanged();
        QVERIFY(f_->messageBox.shown.empty());
    }

    void reset_afterPicture_homeEmptyFittedAndKeepsPathAndVisibilities()
    {
        const QString path =
            writePicture(dir_.filePath(QStringLiteral("p.bmp")), {100, 50}, Qt::cyan);
        f_->dialog.setNextAnswer(path);
        child<QAction>(*f_->form, "chooseSignboardPictureAction")->trigger();
        board()->moveTwips(3000, 300, board()->widthTwips(), board()->heightTwips());
        child<QAction>(*f_->form, "showFrameAction")->trigger();
        child<QAction>(*f_->form, "resetSignboardAction")->trigger();
        QVERIFY(board()->image().isNull());
        QCOMPARE(rectOf(*board()), kHome);
        QCOMPARE(frame(), fitted(kHome));
        QCOMPARE(savedPath(), path);
        QVERIFY(!bar(0)->isVisible());
        QVERIFY(!child<QAction>(*f_->form, "showFrameAction")->isChecked());
        QVERIFY(!board()->isHidden());
        QVERIFY(child<QAction>(*f_->form, "showSignboardAction")->isChecked());
    }

    void drag_leftButton_movesBoardOnlyAndDoubleClickRefits()
    {
        const Frame before = frame();
        SignboardBox *box = board();
        const QPoint at = box->mapToGlobal(QPoint(10, 10));
        sendMouse(box, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseMove, at + QPoint(10, 2), Qt::NoButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseMove, at + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseButtonRelease, at + QPoint(20, 0), Qt::LeftButton,
                  Qt::NoButton);
        const R dragged{kHome.left + 300, kHome.top, kHome.width, kHome.height};
        QCOMPARE(rectOf(*box), dragged);
        QCOMPARE(frame(), before);
        // Moving without a button held does not drag.
        sendMouse(box, QEvent::MouseMove, at + QPoint(40, 0), Qt::NoButton, Qt::NoButton);
        fitFrame();
        QCOMPARE(rectOf(*box), dragged);
        QCOMPARE(frame(), fitted(dragged));
    }

    void frameToggle_afterDrag_reattachesEvenWhenHiding()
    {
        board()->moveTwips(6000, 600, 1410, 450);
        child<QAction>(*f_->form, "showFrameAction")->trigger();
        QCOMPARE(bar(2)->rect(), fitted(rectOf(*board()))[2]);
        QVERIFY(!bar(0)->isVisible());
    }

private:
    // A double-click on the board fits its frame again.
    void fitFrame() { QTest::mouseDClick(board(), Qt::LeftButton, {}, QPoint(5, 5)); }
    // The signboard's picture path as the settings keep it.
    QString savedPath() const
    {
        f_->form->saveSettings();
        const QString ini = dir_.filePath(QStringLiteral("QT17C0042.ini"));
        const QString path = iniValuesIn(ini).signboardPath;
        // The next test's window must start without it.
        QFile::remove(ini);
        return path;
    }
    Frame frame() const { return {bar(0)->rect(), bar(1)->rect(), bar(2)->rect()}; }
    SignboardBox *board() const { return child<SignboardBox>(*f_->form, "signboard"); }
    ShapeControl *bar(int i) const
    {
        return control<ShapeControl>(*f_->form, QStringLiteral("signboardFrame_%1").arg(i));
    }

    QTemporaryDir dir_;
    std::unique_ptr<BusWindowFixture> f_;
};

QTEST_MAIN(TestSignboard)
#include "tst_signboard.moc"
