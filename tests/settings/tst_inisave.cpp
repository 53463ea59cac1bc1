// The settings file on disk: where it lives, reading it safely, and saving it so that it is
// never lost: failures and kills leave either the old file or the new one.

#include "saverlines.h"

#include <settings/settingsfile.h>
#include <support/files.h>
#include <support/unprivileged.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kKills = 200;
constexpr int kMaxKillDelayMicroseconds = 15000;

} // namespace

class TestIniSave : public QObject {
    Q_OBJECT

private slots:
    void chooseIniPlace_folderAndEnvironment_readAndSavePaths_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("save");
        const QString bus = QStringLiteral("/opt/bus");
        const QString lib = QStringLiteral("/usr/lib/solbena");
        const QString sb = QStringLiteral("sb");
        const QString cfg = QStringLiteral("/cfg");
        const QString busFile = QStringLiteral("/opt/bus/sb.ini");
        const QString libFile = QStringLiteral("/usr/lib/solbena/sb.ini");
        const QString xdgFile = QStringLiteral("/cfg/solbena/sb.ini");
        const QString homeFile = QStringLiteral("/home/u/.config/solbena/sb.ini");
        QTest::newRow("writable folder, own file elsewhere ignored")
            << bus << sb << true << cfg << QStringList{xdgFile} << busFile << busFile;
        QTest::newRow("read-only, first run: shipped defaults read")
            << lib << sb << false << cfg << QStringList() << libFile << xdgFile;
        QTest::newRow("read-only, saved before") << lib << sb << false << QStringLiteral("/cfg/")
                                                 << QStringList{xdgFile} << xdgFile << xdgFile;
        QTest::newRow("read-only, XDG_CONFIG_HOME unset")
            << lib << sb << false << QString() << QStringList{homeFile} << homeFile << homeFile;
        QTest::newRow("read-only, relative XDG_CONFIG_HOME ignored")
            << lib << sb << false << QStringLiteral("cfg") << QStringList() << libFile << homeFile;
        QTest::newRow("read-only, renamed executable keeps its own file")
            << lib << QStringLiteral("bus2") << false << cfg << QStringList{xdgFile}
            << QStringLiteral("/usr/lib/solbena/bus2.ini")
            << QStringLiteral("/cfg/solbena/bus2.ini");
    }
    void chooseIniPlace_folderAndEnvironment_readAndSavePaths()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(bool, writable);
        QFETCH(QString, configHome);
        QFETCH(QStringList, existing);
        QFETCH(QString, read);
        QFETCH(QString, save);
        const SettingsPlaceInputs in{folder,
                                     name,
                                     configHome,
                                     QStringLiteral("/home/u"),
                                     [&](const QString &f) { return f == folder && writable; },
                                     [&](const QString &f) { return existing.contains(f); }};
        QCOMPARE(chooseSettingsPlace(in), (SettingsPlace{read, save}));
    }

    void readIniFile_missingOrNotARegularFile_failsWithoutBlocking()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo.ini"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &path : {dir.filePath(QStringLiteral("none.ini")), fifo, dir.path()}) {
            QByteArray bytes = "untouched";
            QVERIFY2(!readSettingsFile(path, &bytes), qPrintable(path));
            QCOMPARE(bytes, QByteArray("untouched"));
        }
    }

    void readIniFile_sizeLimit_refusesLargerFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.ini"));
        writeFile(path, QByteArray(kMaxSettingsFileBytes, 'x'));
        QByteArray bytes;
        QVERIFY(readSettingsFile(path, &bytes));
        QCOMPARE(bytes.size(), kMaxSettingsFileBytes);
        writeFile(path, QByteArray(kMaxSettingsFileBytes + 1, 'x'));
        QVERIFY(!readSettingsFile(path, &bytes));
    }

    void writeIniFile_missingFolders_madeForTheUserAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config/solbena/sb.ini"));
        QString error;
        QVERIFY2(writeSettingsFile(path, saverLine(0), &error), qPrintable(error));
        QCOMPARE(readFile(path), saverLine(0));
        for (const char *folder : {"config", "config/solbena"}) {
            struct stat st {};
            QCOMPARE(
                ::stat(QFile::encodeName(dir.filePath(QString::fromLatin1(folder))).constData(),
                       &st),
                0);
            QCOMPARE(st.st_mode & 07777, 0700u);
        }
    }

    void writeIniFile_readOnlyFolder_failsAndKeepsOldFile()
    {
        QString path;
        bool folderWritable = true;
        bool saved = true;
        QString error;
        QByteArray after;
        const QString failure = runUnprivileged([&] {
            QTemporaryDir dir;
            path = writeFile(dir.filePath(QStringLiteral("sb.ini")), saverLine(0));
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            folderWritable = ::access(QFile::encodeName(dir.path()).constData(), W_OK) == 0;
            saved = writeSettingsFile(path, saverLine(1), &error);
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            after = readFile(path);
        });
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(!folderWritable);
        QVERIFY(!saved);
        QVERIFY2(error.contains(path), qPrintable(error));
        QCOMPARE(after, saverLine(0));
    }

    void writeIniFile_writeFailsMidway_keepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sb.ini"));
        const QByteArray old = "1,2,3,4,\"\",\"\",1,1,\"\",0,0,#TRUE#,#TRUE#,10000,6000,0\r\n";
        writeFile(path, old);
        // A file size limit far below the new line makes the write itself fail (EFBIG).
        rlimit previous{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{1000, previous.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool saved = writeSettingsFile(path, saverLine(0), &error);
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(saverLine(0).size() > 1000);
        QVERIFY(!saved);
        QVERIFY2(error.contains(path), qPrintable(error));
        QCOMPARE(readFile(path), old);
    }

    void writeIniFile_killedWhileSaving_fileAlwaysOldOrNew()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sb.ini"));
        const QByteArray initial = formatSettingsLine(Settings{});
        QString error;
        QVERIFY2(writeSettingsFile(path, initial, &error), qPrintable(error));
        const QByteArray lines[2] = {saverLine(0), saverLine(1)};
        const quint32 seed = QRandomGenerator::global()->generate();
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> delay(0, kMaxKillDelayMicroseconds);
        int savedSeen = 0;
        for (int i = 0; i < kKills; ++i) {
            QProcess saver;
            saver.start(QStringLiteral(INI_SAVER_PATH), {path});
            QVERIFY(saver.waitForStarted());
            QVERIFY2(saver.waitForReadyRead(30000), saver.readAllStandardError().constData());
            std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
            QCOMPARE(::kill(static_cast<pid_t>(saver.processId()), SIGKILL), 0);
            QVERIFY(saver.waitForFinished());
            QVERIFY2(saver.exitStatus() == QProcess::CrashExit,
                     saver.readAllStandardError().constData());
            const QByteArray now = readFile(path);
            QVERIFY2(now == initial || now == lines[0] || now == lines[1],
                     qPrintable(QStringLiteral("kill %1 (seed %2) left %3 bytes")
                                    .arg(i)
                                    .arg(seed)
                                    .arg(now.size())));
            if (now != initial)
                ++savedSeen;
        }
        // The kills must have landed among the saves, not all before the first one.
        QVERIFY(savedSeen > kKills / 2);
    }
};

QTEST_GUILESS_MAIN(TestIniSave)
#include "tst_inisave.moc"
