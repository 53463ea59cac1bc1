// The control panel on its own: its displays, its lock of the leaf choice and its flags.

#include <common/mainwindowprocedures.h>
#include <settings/frmset.h>

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

// Records the calls the panel makes, and what the panel looked like at each.
class SpyMain : public MainWindowProcedures {
public:
    frmSet *panel = nullptr;
    QStringList calls;
    std::vector<bool> frame2EnabledAtCheck2;

    void Check1_Click() override { calls << "Check1_Click"; }
    void Check2_Click() override
    {
        calls << "Check2_Click";
        frame2EnabledAtCheck2.push_back(panel->Frame2->isEnabled());
    }
    void MnuHelpVer_Click() override { calls << "MnuHelpVer_Click"; }
    void HScroll1_Change() override { calls << "HScroll1_Change"; }
    void HScroll2_Change() override { calls << "HScroll2_Change"; }
    void SaveIni() override { calls << "SaveIni"; }
    void LoadIni() override { calls << "LoadIni"; }
    void Load方向幕(std::int16_t) override { calls << "Load"; }
};

} // namespace

class TestPanel : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        main_ = std::make_unique<SpyMain>();
        panel_ = std::make_unique<frmSet>(*main_);
        main_->panel = panel_.get();
    }

    void designValues_freshPanel_matchLayout()
    {
        QCOMPARE(panel_->HScroll1->value(), 6000);
        QCOMPARE(panel_->HScroll2->value(), 10000);
        QCOMPARE(panel_->scllMakuSpeed[0]->value(), 0);
        QCOMPARE(panel_->scllMakuSpeed[0]->maximum(), 1000);
        QCOMPARE(panel_->HScroll1->minimum(), 1);
        QCOMPARE(panel_->HScroll1->maximum(), 30000);
        QVERIFY(panel_->Option1[0]->isChecked());
        QVERIFY(!panel_->scllMakuSpeed[1]->isEnabled());
        QVERIFY(!panel_->lblMakuSpeed[1]->isEnabled());
        for (QLabel *l : {panel_->lblMaeSpeed, panel_->lblNakaSpeed, panel_->lblMakuSpeed[0]})
            QCOMPARE(l->text(), QStringLiteral("0"));
        // 3975 x 2160 twips
        QCOMPARE(panel_->size(), QSize(265, 144));
        QCOMPARE(panel_->Command3->text(), QStringLiteral("バージョン情報"));
        QCOMPARE(panel_->Frame2->title(), QStringLiteral("中扉動作"));
        QCOMPARE(panel_->windowTitle(), QStringLiteral("設定パネル"));
        // scllMakuSpeed(0) at 2655, 420 inside FrameA at 30, 75: pixels 177, 28 and 2, 5.
        QCOMPARE(panel_->scllMakuSpeed[0]->geometry(), QRect(177, 28, 66, 15));
        QCOMPARE(panel_->FrameA->geometry(), QRect(2, 5, 257, 137));
    }

    void windowFlags_toolWindowWithoutCloseBox()
    {
        const Qt::WindowFlags f = panel_->windowFlags();
        QCOMPARE(f & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(f & Qt::CustomizeWindowHint);
        QVERIFY(!(f & Qt::WindowCloseButtonHint));
        QVERIFY(!(f & Qt::WindowSystemMenuHint));
        QVERIFY(!(f & Qt::WindowMinMaxButtonsHint));
    }

    void close_reachingPanel_isIgnored()
    {
        panel_->show();
        QVERIFY(!panel_->close());
        QVERIFY(panel_->isVisible());
    }

    void stepScrollBar_change_showsDecimalValue()
    {
        panel_->scllMakuSpeed[0]->setValue(1000);
        QCOMPARE(panel_->lblMakuSpeed[0]->text(), QStringLiteral("1000"));
        panel_->scllMakuSpeed[0]->setValue(450);
        QCOMPARE(panel_->lblMakuSpeed[0]->text(), QStringLiteral("450"));
        // The disabled row still shows what code sets.
        panel_->scllMakuSpeed[1]->setValue(7);
        QCOMPARE(panel_->lblMakuSpeed[1]->text(), QStringLiteral("7"));
    }

    void scrollBar_sameValue_raisesNoChange()
    {
        panel_->HScroll1->setValue(6000);
        panel_->HScroll2->setValue(10000);
        QVERIFY(main_->calls.isEmpty());
        panel_->HScroll1->setValue(6001);
        panel_->HScroll2->setValue(1);
        QCOMPARE(main_->calls, QStringList({"HScroll1_Change", "HScroll2_Change"}));
    }

    void scrollBar_thumbDrag_changesOnlyOnRelease()
    {
        QScrollBar *bar = panel_->scllMakuSpeed[0];
        QSignalSpy changes(bar, &QScrollBar::valueChanged);
        bar->setSliderDown(true);
        bar->setSliderPosition(300);
        bar->setSliderPosition(400);
        QCOMPARE(changes.count(), 0);
        QCOMPARE(panel_->lblMakuSpeed[0]->text(), QStringLiteral("0"));
        bar->setSliderDown(false);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(panel_->lblMakuSpeed[0]->text(), QStringLiteral("400"));
    }

    void check2_toggle_locksLeafChoiceBeforeCallingMain()
    {
        panel_->show();
        QTest::mouseClick(panel_->Check2, Qt::LeftButton);
        QVERIFY(panel_->Check2->isChecked());
        QVERIFY(!panel_->Frame2->isEnabled());
        QVERIFY(!panel_->Option1[1]->isEnabled());
        QTest::mouseClick(panel_->Check2, Qt::LeftButton);
        QVERIFY(panel_->Frame2->isEnabled());
        QCOMPARE(main_->frame2EnabledAtCheck2, std::vector<bool>({false, true}));
    }

    void buttons_click_reachTheirProcedures()
    {
        panel_->show();
        QTest::mouseClick(panel_->Check1, Qt::LeftButton);
        QCOMPARE(panel_->check1Value(), 1);
        QTest::mouseClick(panel_->Command3, Qt::LeftButton);
        // Choosing a leaf setting raises nothing.
        QTest::mouseClick(panel_->Option1[2], Qt::LeftButton);
        QVERIFY(panel_->option1Value(2));
        QCOMPARE(main_->calls, QStringList({"Check1_Click", "MnuHelpVer_Click"}));
    }

private:
    std::unique_ptr<SpyMain> main_;
    std::unique_ptr<frmSet> panel_;
};

QTEST_MAIN(TestPanel)
#include "tst_panel.moc"
