// The real program, started and stopped from outside: the session ending or a stop request
// closes it the normal way and its settings are saved.

#include <support/files.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>

namespace {

constexpr int kStartTimeoutMs = 15000;

// Whether process `pid` has a handler for `signo` (its caught-signals mask in /proc).
bool catches(qint64 pid, int signo)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signo - 1)) & 1U;
    }
    return false;
}

// A copy of the program in `dir`, started there with `args` and `env` changed from this one's;
// QProcess kills it should a test end before it does.
struct Copy {
    QProcess process;
    explicit Copy(const QString &dir, const QStringList &args,
                  const std::function<void(QProcessEnvironment &)> &env)
    {
        const QString exe = dir + QStringLiteral("/QT17C0042");
        QFile::copy(QStringLiteral(SOLBENA_EXE), exe);
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        env(e);
        process.setProcessEnvironment(e);
        process.start(exe, args);
    }
};

} // namespace

class TestLifecycle : public QObject {
    Q_OBJECT
private slots:
    void program_stopSignal_closesNormallyAndSaves_data()
    {
        QTest::addColumn<int>("signo");
        QTest::addColumn<bool>("blocked");
        QTest::newRow("SIGTERM") << SIGTERM << false;
        QTest::newRow("SIGINT") << SIGINT << false;
        // A folder where the file should be: nothing can replace it, and stderr says why.
        QTest::newRow("SIGTERM, file blocked") << SIGTERM << true;
    }

    void program_stopSignal_closesNormallyAndSaves()
    {
        QFETCH(int, signo);
        QFETCH(bool, blocked);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("QT17C0042.ini"));
        QVERIFY(!blocked || QDir().mkdir(ini));
        Copy copy(dir.path(), {}, [](QProcessEnvironment &env) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        });
        QProcess &p = copy.process;
        QVERIFY(p.waitForStarted());
        // The program catches the signal once its windows are built.
        QTRY_VERIFY_WITH_TIMEOUT(catches(p.processId(), signo), kStartTimeoutMs);
        ::kill(static_cast<pid_t>(p.processId()), signo);
        QVERIFY(p.waitForFinished(15000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        if (blocked) {
            const QByteArray said = p.readAllStandardError();
            QVERIFY2(said.contains("QT17C0042.ini"), said.constData());
            return;
        }
        const QByteArray line = readFile(ini);
        QVERIFY2(line.endsWith(",#TRUE#,#TRUE#,10000,6000,0\r\n"), line.constData());
    }

    // Answered before any window exists: with no display to connect to, starting the
    // application object would end the run with an error instead.
    void helpAndVersion_noDisplay_printAndExitWithoutSettings_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--version")
            << QStringList{QStringLiteral("--version")} << QStringLiteral(SOLBENA_VERSION "\n");
        QTest::newRow("--help after an ignored argument")
            << QStringList{QStringLiteral("-x"), QStringLiteral("--help")}
            << QStringLiteral("Usage: QT17C0042 [--help] [--version]");
    }
    void helpAndVersion_noDisplay_printAndExitWithoutSettings()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, printed);
        QTemporaryDir dir;
        Copy copy(dir.path(), args, [](QProcessEnvironment &env) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        });
        QProcess &p = copy.process;
        QVERIFY(p.waitForFinished(15000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.contains(printed), qPrintable(out));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("QT17C0042")});
    }
};

QTEST_GUILESS_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
