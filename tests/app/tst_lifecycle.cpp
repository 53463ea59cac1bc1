// The real program, started and stopped from outside: the session ending or a stop request
// closes it the normal way and its settings are saved.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// Starts a copy of the program in `dir`, waits until its main window is up, sends `signo`.
struct Run {
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QByteArray stderrText;
};

Run runAndSignal(const QString &dir, int signo)
{
    const QString exe = dir + QStringLiteral("/QT17C0042");
    QFile::remove(exe);
    QFile::copy(QStringLiteral(SOLBENA_EXE), exe);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    p.setProcessEnvironment(env);
    p.start(exe, {});
    Run run;
    if (!p.waitForStarted())
        return run;
    // The program has no way to say it is up; give it time to build its windows.
    QTest::qWait(1500);
    ::kill(static_cast<pid_t>(p.processId()), signo);
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitCode();
    run.status = p.exitStatus();
    run.stderrText = p.readAllStandardError();
    return run;
}

} // namespace

class TestLifecycle : public QObject {
    Q_OBJECT
private slots:
    void program_stopSignal_closesNormallyAndSaves_data()
    {
        QTest::addColumn<int>("signo");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void program_stopSignal_closesNormallyAndSaves()
    {
        QFETCH(int, signo);
        QTemporaryDir dir;
        const Run run = runAndSignal(dir.path(), signo);
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        QFile ini(dir.filePath(QStringLiteral("QT17C0042.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray line = ini.readAll();
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
        const QString exe = dir.filePath(QStringLiteral("QT17C0042"));
        QVERIFY(QFile::copy(QStringLiteral(SOLBENA_EXE), exe));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.start(exe, args);
        QVERIFY(p.waitForFinished(15000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.contains(printed), qPrintable(out));
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("QT17C0042")});
    }

    void save_impossible_saysWhyOnStandardError()
    {
        QTemporaryDir dir;
        // A folder where the file should be: nothing can replace it.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("QT17C0042.ini")));
        const Run run = runAndSignal(dir.path(), SIGTERM);
        QCOMPARE(run.status, QProcess::NormalExit);
        QVERIFY2(run.stderrText.contains("QT17C0042.ini"), run.stderrText.constData());
    }
};

QTEST_GUILESS_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"
