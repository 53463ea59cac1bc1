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
    void builtLibraryIsBesideTheExecutableAndGivesAnExampleAddress()
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
    }

    void failuresNameWhatFailed_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        const QString noExport = QStringLiteral(NOEXPORT_DIR);
        QTest::newRow("export missing")
            << noExport
            << QStringLiteral("The function \"TowaniHpURL\" was not found in \"%1\".")
                   .arg(libraryIn(noExport));
        const QString noAddress = QStringLiteral(NOADDRESS_DIR);
        QTest::newRow("no address returned")
            << noAddress
            << QStringLiteral("The function \"TowaniHpURL\" in \"%1\" returned no address.")
                   .arg(libraryIn(noAddress));
    }
    void failuresNameWhatFailed()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        SharedMakerLibrary library(folder);
        QString address = QStringLiteral("unchanged"), error;
        QVERIFY(!library.homePageUrl(&address, &error));
        QCOMPARE(error, expected);
        QCOMPARE(address, QStringLiteral("unchanged"));
        // The next call tries again and fails the same way.
        QVERIFY(!library.homePageUrl(&address, &error));
        QCOMPARE(error, expected);
    }

    void missingLibraryNamesTheFileLookedFor()
    {
        QTemporaryDir empty;
        SharedMakerLibrary library(empty.path());
        QString address, error;
        QVERIFY(!library.homePageUrl(&address, &error));
        QCOMPARE(
            error,
            QStringLiteral("The library file \"%1\" was not found.").arg(libraryIn(empty.path())));
    }

    void fileThatIsNoLibraryIsReportedOnOneLine()
    {
        QTemporaryDir dir;
        QFile junk(libraryIn(dir.path()));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a shared library");
        junk.close();
        SharedMakerLibrary library(dir.path());
        QString address, error;
        QVERIFY(!library.homePageUrl(&address, &error));
        QVERIFY2(error.startsWith(QStringLiteral("The library file \"%1\" could not be loaded: ")
                                      .arg(libraryIn(dir.path()))),
                 qPrintable(error));
        QVERIFY(!error.contains(QLatin1Char('\n')));
    }

    void addressIsConvertedFromTheLocaleEncoding()
    {
        SharedMakerLibrary library(QStringLiteral(OTHER_DIR));
        QString address, error;
        QVERIFY2(library.homePageUrl(&address, &error), qPrintable(error));
        QCOMPARE(address, kOtherAddress);
    }

    // A library in the working directory or on LD_LIBRARY_PATH (the test runs with it pointing
    // at the other library) is never taken for ours.
    void onlyTheGivenFolderIsSearched_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty folder") << QStringLiteral("EMPTY");
        QTest::newRow("relative folder") << QStringLiteral(".");
        QTest::newRow("no folder") << QString();
    }
    void onlyTheGivenFolderIsSearched()
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

    void ourFolderWinsOverAPlantedLibrary()
    {
        WorkingDirectory planted(QStringLiteral(OTHER_DIR));
        SharedMakerLibrary library(QStringLiteral(MAKER_LIBRARY_DIR));
        QString address, error;
        QVERIFY2(library.homePageUrl(&address, &error), qPrintable(error));
        QVERIFY(address != kOtherAddress);
        QVERIFY(!address.contains(QStringLiteral("planted")));
    }

    void loadsAtTheFirstCallAndKeepsTheLibrary()
    {
        QTemporaryDir dir;
        const QString path = libraryIn(dir.path());
        SharedMakerLibrary library(dir.path());
        QString address, error;
        // Missing at first: the failure is not remembered, a library put in place later is found.
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
