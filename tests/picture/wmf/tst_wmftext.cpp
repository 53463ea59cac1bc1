// Metafile strings in their fonts' code pages, and Windows face names, as the player reads them.

#include <picture/wmf/wmftext.h>

#include <QTest>

using namespace Qt::StringLiterals;
using picture::wmf::decodeCharacters;
using picture::wmf::substituteFace;

class WmfTextTest : public QObject {
    Q_OBJECT

private slots:
    void wmfTextDecode_charset_givesCharacters_data()
    {
        QTest::addColumn<int>("charset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("characters");
        QTest::addColumn<QList<int>>("widths"); // bytes per character

        QTest::newRow("Shift-JIS mixed with ASCII and half-width kana")
            << 128 << QByteArray("A\x89\x77\xB1") << QStringList{u"A"_s, u"駅"_s, u"ｱ"_s}
            << QList<int>{1, 2, 1};
        QTest::newRow("Shift-JIS Windows extensions")
            << 128 << QByteArray("\x87\x40\x81\x60") << QStringList{u"①"_s, u"～"_s}
            << QList<int>{2, 2};
        QTest::newRow("Shift-JIS lead byte at the end")
            << 128 << QByteArray("B\x93") << QStringList{u"B"_s, u""_s} << QList<int>{1, 1};
        QTest::newRow("GB2312") << 134 << QByteArray("\xD6\xD0\xCE\xC4")
                                << QStringList{u"中"_s, u"文"_s} << QList<int>{2, 2};
        QTest::newRow("Big5") << 136 << QByteArray("\xA4\xA4\xA4\xE5")
                              << QStringList{u"中"_s, u"文"_s} << QList<int>{2, 2};
        QTest::newRow("Hangul") << 129 << QByteArray("\xC7\xD1\xB1\xDB")
                                << QStringList{u"한"_s, u"글"_s} << QList<int>{2, 2};
        QTest::newRow("Western") << 0 << QByteArray("\xE9\x80") << QStringList{u"é"_s, u"€"_s}
                                 << QList<int>{1, 1};
        QTest::newRow("Cyrillic") << 204 << QByteArray("\xC0\xFF") << QStringList{u"А"_s, u"я"_s}
                                  << QList<int>{1, 1};
        QTest::newRow("default charset holding Shift-JIS")
            << 1 << QByteArray("\x89\x77") << QStringList{u"駅"_s} << QList<int>{2};
        QTest::newRow("default charset holding Western text")
            << 1 << QByteArray("caf\xE9") << QStringList{u"c"_s, u"a"_s, u"f"_s, u"é"_s}
            << QList<int>{1, 1, 1, 1};
    }

    void wmfTextDecode_charset_givesCharacters()
    {
        QFETCH(int, charset);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, characters);
        QFETCH(QList<int>, widths);
        const auto pieces = decodeCharacters(bytes, quint8(charset));
        QStringList texts;
        QList<int> sizes;
        for (const auto &piece : pieces) {
            texts << piece.text;
            sizes << piece.bytes;
        }
        QCOMPARE(texts, characters);
        QCOMPARE(sizes, widths);
    }

    void wmfFontFace_named_mapsToAFamily_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>(
            "family"); // expected among the families, first of the installed ones
        QTest::addColumn<bool>("eastAsian");
        const QString sansJp = QStringLiteral("Noto Sans CJK JP");
        const QString serifJp = QStringLiteral("Noto Serif CJK JP");
        QTest::newRow("ＭＳ Ｐ明朝") << QStringLiteral("ＭＳ Ｐ明朝") << 128 << serifJp << true;
        QTest::newRow("MS Mincho in a Western font")
            << QStringLiteral("MS Mincho") << 0 << serifJp << true;
        QTest::newRow("MS UI Gothic") << QStringLiteral("MS UI Gothic") << 0 << sansJp << true;
        QTest::newRow("half-width katakana face")
            << QStringLiteral("HGｺﾞｼｯｸE") << 128 << sansJp << true;
        QTest::newRow("unknown Japanese face in a Western font")
            << QStringLiteral("ＤＦ中太楷書体") << 0 << sansJp << true;
        QTest::newRow("unknown face, Shift-JIS charset")
            << QStringLiteral("Foo") << 128 << sansJp << true;
        QTest::newRow("Chinese Song face")
            << QStringLiteral("宋体") << 134 << QStringLiteral("Noto Serif CJK SC") << true;
        QTest::newRow("Korean face")
            << QStringLiteral("굴림") << 129 << QStringLiteral("Noto Sans CJK KR") << true;
        QTest::newRow("Arial") << QStringLiteral("Arial") << 0 << QStringLiteral("sans-serif")
                               << false;
        QTest::newRow("Century Gothic stays Western")
            << QStringLiteral("Century Gothic") << 0 << QStringLiteral("sans-serif") << false;
        QTest::newRow("Times New Roman")
            << QStringLiteral("Times New Roman") << 0 << QStringLiteral("serif") << false;
        QTest::newRow("MS Sans Serif")
            << QStringLiteral("MS Sans Serif") << 0 << QStringLiteral("sans-serif") << false;
        QTest::newRow("Courier New")
            << QStringLiteral("Courier New") << 0 << QStringLiteral("monospace") << false;
    }

    void wmfFontFace_named_mapsToAFamily()
    {
        QFETCH(QString, face);
        QFETCH(int, charset);
        QFETCH(QString, family);
        QFETCH(bool, eastAsian);
        const auto choice = substituteFace(face, quint8(charset), 0);
        QVERIFY2(choice.families.contains(family), qPrintable(choice.families.join(u", ")));
        QCOMPARE(choice.eastAsianMetrics, eastAsian);
        if (!eastAsian) // Japanese text in a Western face still finds Japanese glyphs
            QCOMPARE(choice.families.last(), QStringLiteral("Noto Sans CJK JP"));
    }
};

QTEST_GUILESS_MAIN(WmfTextTest)
#include "tst_wmftext.moc"
