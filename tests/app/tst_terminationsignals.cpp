// SIGTERM, SIGINT and SIGHUP close the window through the event loop while one owner catches
// them; a second owner is refused, and the end of the owner puts the handlers back.

#include <app/terminationsignals.h>

#include <QTest>
#include <QWidget>
#include <csignal>

namespace {

void (*handlerOf(int signo))(int)
{
    struct sigaction now = {};
    ::sigaction(signo, nullptr, &now);
    return now.sa_handler;
}

} // namespace

class TestTerminationSignals : public QObject {
    Q_OBJECT
private slots:
    void signal_whileCaught_closesTheWindowOnlyThroughTheOneOwner()
    {
        QWidget window;
        window.show();
        const auto before = handlerOf(SIGTERM);
        {
            TerminationSignals first(&window);
            QVERIFY(first.catching());
            {
                TerminationSignals second(&window);
                QVERIFY(!second.catching());
            }
            // The refused one's end leaves the first one catching.
            ::raise(SIGTERM);
            QTRY_VERIFY(!window.isVisible());
        }
        QVERIFY(handlerOf(SIGTERM) == before);

        // Once the first is gone, another may catch them.
        window.show();
        TerminationSignals again(&window);
        QVERIFY(again.catching());
        ::raise(SIGHUP);
        QTRY_VERIFY(!window.isVisible());
    }
};

QTEST_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
