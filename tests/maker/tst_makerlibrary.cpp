#include <platform/maker/makerlibrary.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {
const QString kOtherAddress = QStringLiteral("https://planted.example/案内?q=a b");

QString libraryIn(const QString &folder)
{
    return folder + QStringLiteral("/libKVX3Res.so");
}

bool mappedIntoProcess(const QString &path)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(QFile::encodeName(path));
}

// Restores the working directory the test started in.
struct WorkingDirectory {
    explicit WorkingDirectory(const QString &dir) { QDir::setCurrent(dir); }
    ~WorkingDirectory() { QDir::setCurrent(saved); }
    QString saved = QDir::currentPath();
};
} // namespace

class TestMakerLibrary : public QObject {
    Q_OBJECT
private slots:
    void builtLibrary_besideTheExecutable_givesAnExampleAddress()
    {
        QCOMPARE(QDir(QStringLiteral(MAKER_LIBRARY_DIR)).canonicalPath(),
                 QDir(QCoreApplication::applicationDirPath()).canonicalPath());
        SharedMakerLibrary library(QStringLiteral(MAKER_LIBRARY_DIR));
        QString address, error;
        QVERIFY2(library.homePageUrl(&address, &error), qPrintable(error));
        const QUrl url(address, QUrl::StrictMode);
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("https"));
        // A reserved domain: the address must never lead to somebody's real site.
        QVERIFY2(url.host().endsWith(QStringLiteral(".example")) ||
                     url.host().endsWith(QStringLiteral("example.jp")),
                 qPrintable(address));
        // Not the other library, which the test's LD_LIBRARY_PATH offers under the same name.
        QVERIFY(!address.contains(QStringLiteral("planted")));
    }

    void homePageUrl_libraryFails_errorNamesWhatFailedOnOneLine_data()
    {
        QTest::addColumn<QString>("folder"); // EMPTY and JUNK are made here
        QTest::addColumn<QString>("expected");
        QTest::newRow("library missing")
            << QStringLiteral("EMPTY") << QStringLiteral("The library file \"%1\" was not found.");
        QTest::newRow("file is no library")
            << QStringLiteral("JUNK")
            << QStringLiteral("The library file \"%1\" could not be loaded: ");
        QTest::newRow("export missing")
            << QStringLiteral(NOEXPORT_DIR)
            << QStringLiteral("The function \"TowaniHpURL\" was not found in \"%1\".");
        QTest::newRow("no address returned")
            << QStringLiteral(NOADDRESS_DIR)
            << QStringLiteral("The function \"TowaniHpURL\" in \"%1\" returned no address.");
    }
    void homePageUrl_libraryFails_errorNamesWhatFailedOnOneLine()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        if (folder == QStringLiteral("JUNK")) {
            QFile junk(libraryIn(dir.path()));
            QVERIFY(junk.open(QIODevice::WriteOnly));
            junk.write("not a shared library");
        }
        if (folder == QStringLiteral("EMPTY") || folder == QStringLiteral("JUNK"))
            folder = dir.path();
        expected = expected.arg(libraryIn(folder));

        SharedMakerLibrary library(folder);
        QString address = QStringLiteral("unchanged"), error;
        // The next call tries again and fails the same way.
        for (int call = 0; call < 2; ++call) {
            QVERIFY(!library.homePageUrl(&address, &error));
            QVERIFY2(error.startsWith(expected), qPrintable(error));
            QVERIFY(!error.contains(QLatin1Char('\n')));
            QCOMPARE(address, QStringLiteral("unchanged"));
        }
    }

    // A library in the working directory or on LD_LIBRARY_PATH (the test runs with it pointing
    // at the other library) is never taken for ours.
    void homePageUrl_libraryElsewhere_notSearched_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty folder") << QStringLiteral("EMPTY");
        QTest::newRow("relative folder") << QStringLiteral(".");
        QTest::newRow("no folder") << QString();
    }
    void homePageUrl_libraryElsewhere_notSearched()
    {
        QFETCH(QString, folder);
        QTemporaryDir empty;
        if (folder == QStringLiteral("EMPTY"))
            folder = empty.path();
        WorkingDirectory planted(QStringLiteral(OTHER_DIR));
        QVERIFY(QFile::exists(QStringLiteral("libKVX3Res.so")));
        SharedMakerLibrary library(folder);
        QString address, error;
        QVERIFY(!library.homePageUrl(&address, &error));
        QVERIFY2(error.endsWith(QStringLiteral("\" was not found.")), qPrintable(error));
        QVERIFY(address.isEmpty());
    }

    void library_firstCall_loadsAndKeepsIt()
    {
        QTemporaryDir dir;
        const QString path = libraryIn(dir.path());
        SharedMakerLibrary library(dir.path());
        QString address, error;
        // Missing at first: the failure is not remembered, a library put in place later is found
        // and its address, not ASCII in the locale's encoding, converted.
        QVERIFY(!library.homePageUrl(&address, &error));
        QVERIFY(QFile::copy(libraryIn(QStringLiteral(OTHER_DIR)), path));
        QVERIFY(!mappedIntoProcess(path));
        QVERIFY2(library.homePageUrl(&address, &error), qPrintable(error));
        QCOMPARE(address, kOtherAddress);
        QVERIFY(mappedIntoProcess(path));
        // Kept loaded: later calls do not need the file any more.
        QVERIFY(QFile::remove(path));
        address.clear();
        QVERIFY2(library.homePageUrl(&address, &error), qPrintable(error));
        QCOMPARE(address, kOtherAddress);
    }
};

QTEST_GUILESS_MAIN(TestMakerLibrary)
#include "tst_makerlibrary.moc"
