// The signboard: its frame arithmetic, picture, menu commands, reset and drag.

#include <settings/inifile.h>
#include <signboard/signboard.h>
#include <support/drops.h>
#include <support/form1fixture.h>

#include <QAction>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {

using R = twips::Rect;

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
        f_ = std::make_unique<Form1Fixture>(dir_.path());
    }
    void cleanup() { f_.reset(); }

    void resize_grownBoard_followsThenFits()
    {
        board()->Move(8910, 1605, 1410, 600);
        // The follow moves the bottom bar but leaves the side bars' height.
        QCOMPARE(bar(2)->rect(), (R{8835, 2205, 1560, 60}));
        QCOMPARE(bar(0)->Height(), 465.0f);
        QCOMPARE(bar(1)->Height(), 465.0f);
        fitFrame();
        QCOMPARE(bar(0)->rect(), (R{8835, 1605, 75, 615}));
        QCOMPARE(bar(1)->rect(), (R{10320, 1605, 75, 615}));
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
            child<QAction>(*f_->form, "MnuSetKanban")->trigger();
        }
        QCOMPARE(f_->dialog.opened, drop ? 0 : 1);
        QCOMPARE(savedPath(), path);
        QCOMPARE(board()->Width(), 1800.0f);
        QCOMPARE(board()->Height(), 600.0f);
        QCOMPARE(bar(1)->rect(), (R{8910 + 1800, 1605, 75, 615}));
        QCOMPARE(bar(2)->rect(), (R{8835, 2205, 1950, 60}));
        QVERIFY(f_->messageBox.shown.empty());
    }

    void choosePicture_whileHidden_staysHiddenAndUnchecked()
    {
        child<QAction>(*f_->form, "MnuViewKanban")->trigger();
        f_->dialog.setNextAnswer(
            writePicture(dir_.filePath(QStringLiteral("b.bmp")), {50, 20}, Qt::red));
        child<QAction>(*f_->form, "MnuSetKanban")->trigger();
        QVERIFY(board()->isHidden());
        QVERIFY(!child<QAction>(*f_->form, "MnuViewKanban")->isChecked());
        QCOMPARE(board()->Width(), 750.0f);
        QCOMPARE(bar(1)->Left(), 8910.0f + 750.0f);
    }

    void choosePicture_failureOrCancel_changesNothing()
    {
        const QString good =
            writePicture(dir_.filePath(QStringLiteral("good.bmp")), {60, 30}, Qt::green);
        f_->dialog.setNextAnswer(good);
        child<QAction>(*f_->form, "MnuSetKanban")->trigger();
        const QImage picture = board()->Picture();
        const R before = rectOf(*board());
        const R bottom = bar(2)->rect();

        QFile junk(dir_.filePath(QStringLiteral("junk.gif")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("GIF89a but nothing more");
        junk.close();
        const std::vector<std::optional<QString>> answers{
            junk.fileName(), dir_.filePath(QStringLiteral("missing.bmp")), QString(), std::nullopt};
        for (const auto &answer : answers) {
            f_->dialog.setNextAnswer(answer);
            child<QAction>(*f_->form, "MnuSetKanban")->trigger();
            QCOMPARE(savedPath(), good);
            QCOMPARE(board()->Picture(), picture);
            QCOMPARE(rectOf(*board()), before);
            QCOMPARE(bar(2)->rect(), bottom);
        }
        QVERIFY(f_->messageBox.shown.empty());
    }

    void drop_notAPictureOrTwoFiles_changesNothingSilently()
    {
        const QString good =
            writePicture(dir_.filePath(QStringLiteral("good.bmp")), {60, 30}, Qt::green);
        QFile junk(dir_.filePath(QStringLiteral("junk.gif")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("GIF89a but nothing more");
        junk.close();
        QVERIFY(dropUrls(board(), {QUrl::fromLocalFile(junk.fileName())}));
        const QList<QUrl> two{QUrl::fromLocalFile(good), QUrl::fromLocalFile(good)};
        QVERIFY(!dropUrls(board(), two));
        QVERIFY(savedPath().isEmpty());
        QVERIFY(board()->Picture().isNull());
        QCOMPARE(rectOf(*board()), (R{8910, 1605, 1410, 450}));
        QVERIFY(f_->messageBox.shown.empty());
    }

    void reset_afterPicture_homeEmptyFittedAndKeepsPathAndVisibilities()
    {
        const QString path =
            writePicture(dir_.filePath(QStringLiteral("p.bmp")), {100, 50}, Qt::cyan);
        f_->dialog.setNextAnswer(path);
        child<QAction>(*f_->form, "MnuSetKanban")->trigger();
        board()->Move(3000, 300, board()->Width(), board()->Height());
        child<QAction>(*f_->form, "MnuViewWaku")->trigger();
        child<QAction>(*f_->form, "MnuKanbanReset")->trigger();
        QVERIFY(board()->Picture().isNull());
        QCOMPARE(rectOf(*board()), (R{8910, 1605, 1410, 450}));
        // The frame hugs the board's three sides.
        QCOMPARE(bar(0)->rect(), (R{8835, 1605, 75, 465}));
        QCOMPARE(bar(1)->rect(), (R{10320, 1605, 75, 465}));
        QCOMPARE(bar(2)->rect(), (R{8835, 2055, 1560, 60}));
        QCOMPARE(savedPath(), path);
        QVERIFY(!bar(0)->Visible());
        QVERIFY(!child<QAction>(*f_->form, "MnuViewWaku")->isChecked());
        QVERIFY(!board()->isHidden());
        QVERIFY(child<QAction>(*f_->form, "MnuViewKanban")->isChecked());
    }

    void viewItems_triggered_checkMarksEqualVisibilities()
    {
        QAction *kanban = child<QAction>(*f_->form, "MnuViewKanban");
        QAction *waku = child<QAction>(*f_->form, "MnuViewWaku");
        for (int i = 0; i < 4; ++i) {
            (i % 2 ? kanban : waku)->trigger();
            QCOMPARE(kanban->isChecked(), !board()->isHidden());
            QCOMPARE(waku->isChecked(), bar(0)->Visible());
            for (int b = 0; b < 3; ++b)
                QCOMPARE(bar(b)->Visible(), waku->isChecked());
        }
        // Hiding the board leaves the frame alone.
        kanban->trigger();
        QVERIFY(board()->isHidden());
        QCOMPARE(bar(0)->Visible(), waku->isChecked());
    }

    void drag_leftButton_movesBoardOnlyAndDoubleClickRefits()
    {
        const R bars[3] = {bar(0)->rect(), bar(1)->rect(), bar(2)->rect()};
        SignboardBox *box = board();
        const QPoint at = box->mapToGlobal(QPoint(10, 10));
        sendMouse(box, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseMove, at + QPoint(10, 2), Qt::NoButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseMove, at + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseButtonRelease, at + QPoint(20, 0), Qt::LeftButton,
                  Qt::NoButton);
        QCOMPARE(box->Left(), 8910.0f + 300.0f);
        QCOMPARE(box->Top(), 1605.0f);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(bar(i)->rect(), bars[i]);
        // Moving without a button held does not drag.
        sendMouse(box, QEvent::MouseMove, at + QPoint(40, 0), Qt::NoButton, Qt::NoButton);
        QCOMPARE(box->Left(), 9210.0f);

        QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(bar(0)->rect(), (R{9210 - 75, 1605, 75, 465}));
        QCOMPARE(box->Left(), 9210.0f);
    }

    void frameToggle_afterDrag_reattachesEvenWhenHiding()
    {
        board()->Move(6000, 600, 1410, 450);
        child<QAction>(*f_->form, "MnuViewWaku")->trigger();
        QCOMPARE(bar(2)->rect(), (R{5925, 1050, 1560, 60}));
        QVERIFY(!bar(0)->Visible());
    }

private:
    // A double-click on the board fits its frame again.
    void fitFrame() { QTest::mouseDClick(board(), Qt::LeftButton, {}, QPoint(5, 5)); }
    // The signboard's picture path as the settings keep it.
    QString savedPath() const
    {
        f_->form->SaveIni();
        const QString ini = dir_.filePath(QStringLiteral("QT17C0042.ini"));
        QByteArray bytes;
        IniValues values;
        if (readIniFile(ini, &bytes))
            readIniValues(bytes, &values);
        // The next test's window must start without it.
        QFile::remove(ini);
        return values.kanbanPath;
    }
    SignboardBox *board() const { return child<SignboardBox>(*f_->form, "PicKanban"); }
    ShapeControl *bar(int i) const
    {
        return control<ShapeControl>(*f_->form, QStringLiteral("shpK_Waku_%1").arg(i));
    }

    QTemporaryDir dir_;
    std::unique_ptr<Form1Fixture> f_;
};

QTEST_MAIN(TestSignboard)
#include "tst_signboard.moc"
