// A window is kept where it was saved only while the user can still grab its title bar.

#include <common/onscreen.h>

#include <QtTest>

namespace {

// The main window's outer frame at the default style: 739 x 207 pixels of client area.
QRect frameAt(int x, int y)
{
    return QRect(x, y, 739, 230);
}

const QRect kLaptop(0, 0, 1024, 768);
const QRect kRightMonitor(1024, 0, 1920, 1080);
const QRect kLeftMonitor(-1280, -200, 1280, 1024);

} // namespace

class TestOnScreen : public QObject {
    Q_OBJECT
private slots:
    void titleBarReachable_layouts_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("one screen, inside") << frameAt(100, 100) << QList{kLaptop} << true;
        QTest::newRow("right monitor connected")
            << frameAt(1500, 300) << QList{kLaptop, kRightMonitor} << true;
        QTest::newRow("right monitor unplugged") << frameAt(1500, 300) << QList{kLaptop} << false;
        QTest::newRow("left monitor with negative coordinates")
            << frameAt(-1000, -150) << QList{kLeftMonitor, kLaptop} << true;
        QTest::newRow("left monitor unplugged") << frameAt(-1000, -150) << QList{kLaptop} << false;
        QTest::newRow("no screens") << frameAt(0, 0) << QList<QRect>() << false;
        // Slivers at each edge: exactly a grip's width or height is enough, one pixel less not.
        QTest::newRow("32 px at the right edge")
            << frameAt(1024 - 32, 100) << QList{kLaptop} << true;
        QTest::newRow("31 px at the right edge")
            << frameAt(1024 - 31, 100) << QList{kLaptop} << false;
        QTest::newRow("32 px at the left edge") << frameAt(32 - 739, 100) << QList{kLaptop} << true;
        QTest::newRow("31 px at the left edge")
            << frameAt(31 - 739, 100) << QList{kLaptop} << false;
        QTest::newRow("8 rows at the bottom") << frameAt(100, 768 - 8) << QList{kLaptop} << true;
        QTest::newRow("7 rows at the bottom") << frameAt(100, 768 - 7) << QList{kLaptop} << false;
        QTest::newRow("title bar above the top, body on screen")
            << frameAt(100, -1) << QList{kLaptop} << false;
        QTest::newRow("under a top bar the available area leaves out")
            << frameAt(0, 0) << QList{QRect(0, 32, 1024, 736)} << false;
    }
    void titleBarReachable_layouts()
    {
        QFETCH(QRect, frame);
        QFETCH(QList<QRect>, screens);
        QFETCH(bool, reachable);
        QCOMPARE(onscreen::titleBarReachable(frame, screens), reachable);
    }
};

QTEST_APPLESS_MAIN(TestOnScreen)
#include "tst_onscreen.moc"
