// The settings line: what is written, and what reading makes of written and hand-made lines.

#include <common/filenames.h>
#include <settings/settingsfile.h>

#include <QLocale>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <cmath>
#include <limits>

namespace {

Settings knownState()
{
    Settings v;
    v.busWindowLeft = 1234.5f;
    v.busWindowTop = -60;
    v.panelLeft = 0;
    v.panelTop = 7200.25f;
    v.rollPath0 = QStringLiteral("/home/u/幕/roll 1.bmp");
    v.rollPath1 = QString();
    v.rollStep0 = 15;
    v.rollStep1 = 1000;
    v.signboardPath = QStringLiteral("/pics/a,b.gif");
    v.signboardLeft = 0.1f;
    v.signboardTop = 30000000;
    v.signboardShown = true;
    v.frameShown = false;
    v.frontDoorDelay = 30000;
    v.centreDoorDelay = 1;
    v.leafChoice = 2;
    return v;
}

const QByteArray kKnownLine = "1234.5,-60,0,7200.25,\"/home/u/幕/roll 1.bmp\",\"\",15,1000,"
                              "\"/pics/a,b.gif\",0.1,30000000,#TRUE#,#FALSE#,30000,1,2\r\n";

bool switchToCommaDecimalLocale(QTemporaryDir &localeDir)
{
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8"}) {
        if (std::setlocale(LC_ALL, name))
            return true;
    }
    // Build the locale privately; glibc looks in LOCPATH on every setlocale call.
    const QString target = localeDir.filePath(QStringLiteral("de_DE.UTF-8"));
    QProcess::execute(QStringLiteral("localedef"),
                      {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                       QStringLiteral("UTF-8"), target});
    qputenv("LOCPATH", QFile::encodeName(localeDir.path()));
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

} // namespace

class TestIniFormat : public QObject {
    Q_OBJECT

private slots:
    void formatIniLine_knownState_exactBytes()
    {
        QCOMPARE(formatSettingsLine(knownState()), kKnownLine);
    }

    void formatIniLine_commaDecimalLocale_writesPeriods()
    {
        QTemporaryDir localeDir;
        const QByteArray previousC = std::setlocale(LC_ALL, nullptr);
        const QLocale previousQt;
        const QByteArray previousLocPath = qgetenv("LOCPATH");
        const auto restore = qScopeGuard([&] {
            std::setlocale(LC_ALL, previousC.constData());
            QLocale::setDefault(previousQt);
            if (previousLocPath.isNull())
                qunsetenv("LOCPATH");
            else
                qputenv("LOCPATH", previousLocPath);
        });
        if (!switchToCommaDecimalLocale(localeDir))
            QSKIP("no comma-decimal locale could be made");
        QCOMPARE(*std::localeconv()->decimal_point, ',');
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(QLocale().toString(0.5), QStringLiteral("0,5"));
        QCOMPARE(formatSettingsLine(knownState()), kKnownLine);
    }

    void formatIniLine_unreadablePosition_writesNearestReadable_data()
    {
        QTest::addColumn<float>("position");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("small fraction") << 1e-7f << QByteArray("0.0000001");
        QTest::newRow("negative zero") << -0.0f << QByteArray("0");
        QTest::newRow("beyond int32") << 3e9f << QByteArray("2147483647");
        QTest::newRow("-2^31") << -2147483648.0f << QByteArray("-2147483648");
        QTest::newRow("below int32") << -3e9f << QByteArray("-2147483648");
        QTest::newRow("infinity") << std::numeric_limits<float>::infinity() << QByteArray("0");
        QTest::newRow("nan") << std::numeric_limits<float>::quiet_NaN() << QByteArray("0");
    }
    void formatIniLine_unreadablePosition_writesNearestReadable()
    {
        QFETCH(float, position);
        QFETCH(QByteArray, written);
        Settings v;
        v.signboardTop = position;
        const QByteArray line = formatSettingsLine(v);
        QCOMPARE(line.split(',').at(10), written);
        Settings back;
        QCOMPARE(readSettings(line, &back), kSettingsFieldCount);
    }

    void readIniValues_writtenLine_roundTripsEveryField()
    {
        // Whole positions, which come back exactly, and paths hard to write.
        Settings original = knownState();
        original.busWindowLeft = -1500;
        original.busWindowTop = 2147483520; // the largest float that is also a 32-bit integer
        original.panelTop = -2147483648.0f;
        original.rollPath0 = QStringLiteral("/tmp/a, b\n\"c\"/幕.gif");
        original.rollPath1 = filenames::fromBytes("/tmp/\xff\xfe\x80name.bmp");
        original.signboardLeft = 4455;
        const QByteArray line = formatSettingsLine(original);
        Settings back;
        // A name that is not UTF-8 is written as its own bytes, as the file system has it.
        QVERIFY(line.contains("\"/tmp/\xff\xfe\x80name.bmp\""));
        QCOMPARE(readSettings(line, &back), kSettingsFieldCount);
        QVERIFY(back == original);
        QCOMPARE(formatSettingsLine(back), line);
    }

    void readIniValues_knownLine_positionsRoundedOthersExact()
    {
        Settings v;
        QCOMPARE(readSettings(kKnownLine, &v), kSettingsFieldCount);
        Settings expected = knownState();
        expected.busWindowLeft = 1234; // 1234.5, a tie, goes to the even neighbour
        expected.panelTop = 7200;
        expected.signboardLeft = 0;
        QVERIFY(v == expected);
    }

    void readIniValues_fieldsOverSeveralLines_readSame_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QList<QByteArray> fields = kKnownLine.trimmed().split(',');
        // The path "/pics/a,b.gif" was split at its comma; put it back together.
        QList<QByteArray> joined = fields.mid(0, 8);
        joined << fields.at(8) + ',' + fields.at(9);
        joined << fields.mid(10);
        QCOMPARE(joined.size(), kSettingsFieldCount);
        QTest::newRow("LF") << joined.join('\n');
        QTest::newRow("CR") << joined.join('\r');
        QTest::newRow("CR LF") << joined.join("\r\n") + "\r\n";
        QTest::newRow("comma then line end") << joined.join(",\r\n");
        QTest::newRow("blank lines and blanks") << "\r\n\n  " + joined.join(" ,\n\n\t");
    }
    void readIniValues_fieldsOverSeveralLines_readSame()
    {
        QFETCH(QByteArray, bytes);
        Settings v;
        QCOMPARE(readSettings(bytes, &v), kSettingsFieldCount);
        Settings oneLine;
        QCOMPARE(readSettings(kKnownLine, &oneLine), kSettingsFieldCount);
        QVERIFY(v == oneLine);
    }

    void readIniValues_quotedLineEndsAndCommas_keptInPath()
    {
        const QByteArray line =
            "0,0,0,0,\"/a,b\r\nc,\",\"\",0,0,\"x\"\"y\",0,0,#TRUE#,#TRUE#,1,1,0";
        Settings v;
        QCOMPARE(readSettings(line, &v), kSettingsFieldCount);
        QCOMPARE(v.rollPath0, QStringLiteral("/a,b\r\nc,"));
        QCOMPARE(v.rollPath1, QString());
        QCOMPARE(v.signboardPath, QStringLiteral("x\"y"));
    }

    void readIniValues_anyLine_readsUpToTheFirstBadField_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("fieldsRead");
        const QByteArray head = "1,2,3,4,\"p\",\"q\",5,6,\"k\",7,8,";
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("ends after field 6") << QByteArray("1,2,3,4,\"p\",\"q\"\r\n") << 6;
        QTest::newRow("text for a number") << QByteArray("1,abc,3") << 1;
        QTest::newRow("quoted number") << QByteArray("1,\"2\",3") << 1;
        QTest::newRow("empty number") << QByteArray("1,,3") << 1;
        QTest::newRow("truth values in any case") << head + " #true# ,#False#,1,1,0" << 16;
        QTest::newRow("number for a truth value") << head + "1,#TRUE#,1,1,0" << 11;
        QTest::newRow("bare truth word") << head + "TRUE,#TRUE#,1,1,0" << 11;
        QTest::newRow("step beyond int32") << QByteArray("1,2,3,4,\"p\",\"q\",2147483648,6") << 6;
        QTest::newRow("option at int16 max") << head + "#TRUE#,#TRUE#,1,1,32767" << 16;
        QTest::newRow("option beyond int16") << head + "#TRUE#,#TRUE#,1,1,32768" << 15;
        QTest::newRow("option below int16") << head + "#TRUE#,#TRUE#,1,1,-32769" << 15;
        QTest::newRow("unclosed quote") << QByteArray("1,2,3,4,\"p,q,5,6") << 4;
        QTest::newRow("junk after quote") << QByteArray("1,2,3,4,\"p\"x,\"q\"") << 4;
        QTest::newRow("ends after a comma") << head + "#TRUE#,#TRUE#,1,1," << 15;
    }
    void readIniValues_anyLine_readsUpToTheFirstBadField()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, fieldsRead);
        Settings v;
        QCOMPARE(readSettings(bytes, &v), fieldsRead);
        QCOMPARE(v.busWindowLeft, fieldsRead > 0 ? 1.0f : 0.0f);
    }

    void readInt32_number_roundsTiesToEvenWithinRange_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint32>("value");
        QTest::newRow("2.5") << QByteArray("2.5") << true << 2;
        QTest::newRow("3.5") << QByteArray("3.5") << true << 4;
        QTest::newRow("-2.5") << QByteArray("-2.5") << true << -2;
        QTest::newRow("0.5") << QByteArray("0.5") << true << 0;
        QTest::newRow("just above a tie") << QByteArray("2.50000000000000000001") << true << 3;
        QTest::newRow("-0.7") << QByteArray("-0.7") << true << -1;
        QTest::newRow("plus sign, blanks") << QByteArray(" +7 ") << true << 7;
        QTest::newRow("leading zeros") << QByteArray("000000000000000000000012.0") << true << 12;
        QTest::newRow("exponent") << QByteArray("1.5e3") << true << 1500;
        QTest::newRow("tiny") << QByteArray("9e-999999999999999999999") << true << 0;
        QTest::newRow("int32 max") << QByteArray("2147483647") << true << 2147483647;
        QTest::newRow("tie below max") << QByteArray("2147483646.5") << true << 2147483646;
        QTest::newRow("tie at min") << QByteArray("-2147483648.5") << true << -2147483647 - 1;
        QTest::newRow("max + 1") << QByteArray("2147483648") << false << 0;
        QTest::newRow("min - 1") << QByteArray("-2147483649") << false << 0;
        QTest::newRow("tie above max") << QByteArray("2147483647.5") << false << 0;
        QTest::newRow("huge exponent") << QByteArray("1e999999999999999999999") << false << 0;
        QTest::newRow("huge digits") << QByteArray(400, '9') << false << 0;
        QTest::newRow("word") << QByteArray("abc") << false << 0;
        QTest::newRow("inf") << QByteArray("inf") << false << 0;
        QTest::newRow("bare exponent") << QByteArray("1e") << false << 0;
        QTest::newRow("inner blank") << QByteArray("1 2") << false << 0;
    }
    void readInt32_number_roundsTiesToEvenWithinRange()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(qint32, value);
        IniReader reader(text);
        qint32 read = -99;
        QCOMPARE(reader.readInt(&read), ok);
        QCOMPARE(read, ok ? value : -99);
    }
};

QTEST_GUILESS_MAIN(TestIniFormat)
#include "tst_iniformat.moc"
