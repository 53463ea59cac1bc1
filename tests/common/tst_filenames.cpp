// File names as bytes: any name the file system holds comes back as the same bytes.

#include <common/filenames.h>

#include <QtTest>

class TestFilenames : public QObject {
    Q_OBJECT

private slots:
    void filenames_anyBytes_roundTripExactly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QByteArray("/usr/share/a b.png");
        QTest::newRow("utf-8") << QByteArray("/絵/看板 😀.gif");
        QTest::newRow("latin-1 byte") << QByteArray("/tmp/caf\xe9.bmp");
        QTest::newRow("ff fe") << QByteArray("\xff\xfe/x");
        QTest::newRow("overlong") << QByteArray("\xc0\xaf\xe0\x80\xaf");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80\xed\xb2\x80");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80");
        QTest::newRow("truncated") << QByteArray("a\xe5\xb9");
        QTest::newRow("valid then invalid") << QByteArray("\xc3\xa9\xc3");
    }
    void filenames_anyBytes_roundTripExactly()
    {
        QFETCH(QByteArray, bytes);
        const QString name = filenames::fromBytes(bytes);
        QCOMPARE(filenames::toBytes(name), bytes);
        // Valid UTF-8 reads exactly as Qt reads it.
        QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString qtName = strict(bytes);
        if (!strict.hasError())
            QCOMPARE(name, qtName);
    }
};

QTEST_GUILESS_MAIN(TestFilenames)
#include "tst_filenames.moc"
