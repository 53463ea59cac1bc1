// The signboard: its frame arithmetic, picture, menu commands, reset and drag.

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
        k_ = &f_->form->kanban();
    }
    void cleanup() { f_.reset(); }

    void frameFit_homeGeometry_hugsThreeSides()
    {
        k_->PicKanban_DblClick();
        QCOMPARE(k_->shpK_Waku[0]->rect(), (R{8835, 1605, 75, 465}));
        QCOMPARE(k_->shpK_Waku[1]->rect(), (R{10320, 1605, 75, 465}));
        QCOMPARE(k_->shpK_Waku[2]->rect(), (R{8835, 2055, 1560, 60}));
    }

    void resize_grownBoard_followsThenFits()
    {
        k_->PicKanban->Move(8910, 1605, 1410, 600);
        // The follow moves the bottom bar but leaves the side bars' height.
        QCOMPARE(k_->shpK_Waku[2]->rect(), (R{8835, 2205, 1560, 60}));
        QCOMPARE(k_->shpK_Waku[0]->Height(), 465.0f);
        QCOMPARE(k_->shpK_Waku[1]->Height(), 465.0f);
        k_->PicKanban_DblClick();
        QCOMPARE(k_->shpK_Waku[0]->rect(), (R{8835, 1605, 75, 615}));
        QCOMPARE(k_->shpK_Waku[1]->rect(), (R{10320, 1605, 75, 615}));
    }

    void choosePicture_boardTakesPictureSizeAndFrameFits()
    {
        const QString path = writePicture(dir_.filePath("board.bmp"), {120, 40}, Qt::yellow);
        f_->dialog.setNextAnswer(path);
        f_->form->MnuSetKanban->trigger();
        QCOMPARE(k_->picturePath(), path);
        QCOMPARE(k_->PicKanban->Width(), 1800.0f);
        QCOMPARE(k_->PicKanban->Height(), 600.0f);
        QCOMPARE(k_->shpK_Waku[1]->rect(), (R{8910 + 1800, 1605, 75, 615}));
        QCOMPARE(k_->shpK_Waku[2]->rect(), (R{8835, 2205, 1950, 60}));
        QVERIFY(f_->messageBox.shown.empty());
    }

    void choosePicture_whileHidden_staysHiddenAndUnchecked()
    {
        f_->form->MnuViewKanban->trigger();
        f_->dialog.setNextAnswer(writePicture(dir_.filePath("b.bmp"), {50, 20}, Qt::red));
        f_->form->MnuSetKanban->trigger();
        QVERIFY(k_->PicKanban->isHidden());
        QVERIFY(!f_->form->MnuViewKanban->isChecked());
        QCOMPARE(k_->PicKanban->Width(), 750.0f);
        QCOMPARE(k_->shpK_Waku[1]->Left(), 8910.0f + 750.0f);
    }

    void choosePicture_failureOrCancel_changesNothing()
    {
        const QString good = writePicture(dir_.filePath("good.bmp"), {60, 30}, Qt::green);
        f_->dialog.setNextAnswer(good);
        k_->MnuSetKanban_Click();
        const QImage picture = k_->PicKanban->Picture();
        const R board = k_->PicKanban->twipsRect();
        const R bar = k_->shpK_Waku[2]->rect();

        QFile junk(dir_.filePath("junk.gif"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("GIF89a but nothing more");
        junk.close();
        const std::vector<std::optional<QString>> answers{
            junk.fileName(), dir_.filePath("missing.bmp"), QString(), std::nullopt};
        for (const auto &answer : answers) {
            f_->dialog.setNextAnswer(answer);
            k_->MnuSetKanban_Click();
            QCOMPARE(k_->picturePath(), good);
            QCOMPARE(k_->PicKanban->Picture(), picture);
            QCOMPARE(k_->PicKanban->twipsRect(), board);
            QCOMPARE(k_->shpK_Waku[2]->rect(), bar);
        }
        QVERIFY(f_->messageBox.shown.empty());
    }

    void drop_oneLocalPicture_setsPictureAndFitsFrame()
    {
        const QString path = writePicture(dir_.filePath("board.bmp"), {120, 40}, Qt::yellow);
        const QList<QUrl> urls{QUrl::fromLocalFile(path)};
        QVERIFY(dropUrls(k_->PicKanban, urls));
        QCOMPARE(f_->dialog.opened, 0);
        QCOMPARE(k_->picturePath(), path);
        QCOMPARE(k_->PicKanban->Width(), 1800.0f);
        QCOMPARE(k_->shpK_Waku[1]->rect(), (R{8910 + 1800, 1605, 75, 615}));
    }

    void drop_notAPictureOrTwoFiles_changesNothingSilently()
    {
        const QString good = writePicture(dir_.filePath("good.bmp"), {60, 30}, Qt::green);
        QFile junk(dir_.filePath("junk.gif"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("GIF89a but nothing more");
        junk.close();
        QVERIFY(dropUrls(k_->PicKanban, {QUrl::fromLocalFile(junk.fileName())}));
        const QList<QUrl> two{QUrl::fromLocalFile(good), QUrl::fromLocalFile(good)};
        QVERIFY(!dropUrls(k_->PicKanban, two));
        QVERIFY(k_->picturePath().isEmpty());
        QVERIFY(k_->PicKanban->Picture().isNull());
        QCOMPARE(k_->PicKanban->twipsRect(), (R{8910, 1605, 1410, 450}));
        QVERIFY(f_->messageBox.shown.empty());
    }

    void reset_afterPicture_homeEmptyFittedAndKeepsPathAndVisibilities()
    {
        const QString path = writePicture(dir_.filePath("p.bmp"), {100, 50}, Qt::cyan);
        f_->dialog.setNextAnswer(path);
        k_->MnuSetKanban_Click();
        k_->PicKanban->Move(3000, 300, k_->PicKanban->Width(), k_->PicKanban->Height());
        f_->form->MnuViewWaku->trigger();
        f_->form->MnuKanbanReset->trigger();
        QVERIFY(k_->PicKanban->Picture().isNull());
        QCOMPARE(k_->PicKanban->twipsRect(), (R{8910, 1605, 1410, 450}));
        QCOMPARE(k_->shpK_Waku[0]->rect(), (R{8835, 1605, 75, 465}));
        QCOMPARE(k_->picturePath(), path);
        QVERIFY(!k_->shpK_Waku[0]->Visible());
        QVERIFY(!f_->form->MnuViewWaku->isChecked());
        QVERIFY(!k_->PicKanban->isHidden());
        QVERIFY(f_->form->MnuViewKanban->isChecked());
    }

    void viewItems_checkMarksAlwaysEqualVisibilities()
    {
        QAction *kanban = f_->form->MnuViewKanban;
        QAction *waku = f_->form->MnuViewWaku;
        for (int i = 0; i < 4; ++i) {
            (i % 2 ? kanban : waku)->trigger();
            QCOMPARE(kanban->isChecked(), !k_->PicKanban->isHidden());
            QCOMPARE(waku->isChecked(), k_->shpK_Waku[0]->Visible());
            for (ShapeControl *bar : k_->shpK_Waku)
                QCOMPARE(bar->Visible(), waku->isChecked());
        }
        // Hiding the board leaves the frame alone.
        kanban->trigger();
        QVERIFY(!!k_->PicKanban->isHidden());
        QCOMPARE(k_->shpK_Waku[0]->Visible(), waku->isChecked());
    }

    void drag_leftButton_movesBoardOnlyAndDoubleClickRefits()
    {
        const R bars[3] = {k_->shpK_Waku[0]->rect(), k_->shpK_Waku[1]->rect(),
                           k_->shpK_Waku[2]->rect()};
        KanbanBox *box = k_->PicKanban;
        const QPoint at = box->mapToGlobal(QPoint(10, 10));
        sendMouse(box, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseMove, at + QPoint(10, 2), Qt::NoButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseMove, at + QPoint(20, 0), Qt::NoButton, Qt::LeftButton);
        sendMouse(box, QEvent::MouseButtonRelease, at + QPoint(20, 0), Qt::LeftButton,
                  Qt::NoButton);
        QCOMPARE(box->Left(), 8910.0f + 300.0f);
        QCOMPARE(box->Top(), 1605.0f);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(k_->shpK_Waku[i]->rect(), bars[i]);
        // Moving without a button held does not drag.
        sendMouse(box, QEvent::MouseMove, at + QPoint(40, 0), Qt::NoButton, Qt::NoButton);
        QCOMPARE(box->Left(), 9210.0f);

        QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(k_->shpK_Waku[0]->rect(), (R{9210 - 75, 1605, 75, 465}));
        QCOMPARE(box->Left(), 9210.0f);
    }

    void frameToggle_afterDrag_reattachesEvenWhenHiding()
    {
        k_->PicKanban->Move(6000, 600, 1410, 450);
        f_->form->MnuViewWaku->trigger();
        QCOMPARE(k_->shpK_Waku[2]->rect(), (R{5925, 1050, 1560, 60}));
        QVERIFY(!k_->shpK_Waku[0]->Visible());
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<Form1Fixture> f_;
    Signboard *k_ = nullptr;
};

QTEST_MAIN(TestSignboard)
#include "tst_signboard.moc"
