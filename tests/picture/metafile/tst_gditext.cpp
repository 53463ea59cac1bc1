// Metafile strings in their fonts' code pages, and Windows face names, as the player reads them.
// The faces are checked against the fonts scripts/setup installs: Liberation for Windows'
// common faces, DejaVu for the Symbol font's characters, Noto CJK for Japanese.

#include "wmfbuilder.h"
#include "wmfink.h"

#include <picture/metafile/gditext.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QRawFont>
#include <QTest>

#include <cstdlib>

using namespace Qt::StringLiterals;
using picture::gdi::decodeCharacters;
using picture::gdi::decodeString;
using picture::gdi::decodeWideString;
using picture::gdi::FaceChoice;
using picture::gdi::substituteFace;

namespace {

constexpr quint8 kSymbol = 2;
constexpr quint8 kVariableRoman = 0x12;
constexpr quint8 kVariableSwiss = 0x22;
constexpr quint8 kScript = 0x42;
constexpr int kProbePixels = 100;
constexpr quint8 kGreek = 161;

// A metafile of one line of text in the face and character set.
QImage textPicture(const QString &face, quint8 charset, QByteArray text)
{
    return render(::textPicture(300, 60, wmfrec::font(-40, charset, face.toLatin1()))
                      .add(U_WMRTEXTOUT_set(wmfrec::point(5, 5), text.data()))
                      .bytes());
}

// The font the player makes of a choice.
QFont fontOf(const FaceChoice &choice)
{
    QFont font;
    font.setFamilies(choice.families);
    font.setPixelSize(kProbePixels);
    return font;
}

} // namespace

class GdiTextTest : public QObject {
    Q_OBJECT

private slots:
    void decode_charset_givesCharacters_data()
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
        QTest::newRow("Western") << 0 << QByteArray("\xE9\x80") << QStringList{u"é"_s, u"€"_s}
                                 << QList<int>{1, 1};
        QTest::newRow("default charset holding Shift-JIS")
            << 1 << QByteArray("\x89\x77") << QStringList{u"駅"_s} << QList<int>{2};
        QTest::newRow("default charset holding Western text")
            << 1 << QByteArray("caf\xE9") << QStringList{u"c"_s, u"a"_s, u"f"_s, u"é"_s}
            << QList<int>{1, 1, 1, 1};

        // The Symbol font's code chart.
        QTest::newRow("Symbol Greek letters")
            << 2 << QByteArray("DdrWqJ")
            << QStringList{u"Δ"_s, u"δ"_s, u"ρ"_s, u"Ω"_s, u"θ"_s, u"ϑ"_s}
            << QList<int>{1, 1, 1, 1, 1, 1};
        QTest::newRow("Symbol bytes without a character")
            << 2 << QByteArray("\x80\xF0\xFF") << QStringList{u""_s, u""_s, u""_s}
            << QList<int>{1, 1, 1};
    }

    void decode_charset_givesCharacters()
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

    void decode_symbolFaceName_staysLatin()
    {
        QCOMPARE(decodeString("Symbol", kSymbol), u"Symbol"_s);
        QCOMPARE(decodeString("D\xE9ja", kSymbol), u"Déja"_s);
    }

    void decode_wideSymbolText_readByTheSymbolChart()
    {
        // Both forms writers use: the private-use row and the plain byte values.
        const QString wide = u"\uF044\uF072\uF0E6 a=\uF0FE\u4E00"_s;
        QCOMPARE(decodeWideString(wide, kSymbol), u"Δρ⎛ α=⎭一"_s);
        QCOMPARE(decodeWideString(wide, 0), wide);
        QCOMPARE(decodeWideString(u"\uF080x", kSymbol), u"\uF080ξ"_s);
    }

    // An installed font of Windows' symbol encoding finds its glyphs by the byte values, in
    // WMF's bytes and in EMF's private-use row alike; any other face gets the Symbol chart.
    void decode_symbolEncodedFace_keepsTheBytes()
    {
        FaceChoice own;
        own.families = QStringList{u"Wingdings"_s};
        own.symbolEncoded = true;
        QStringList texts;
        for (const auto &piece : decodeCharacters("ab\xFC", kSymbol, own))
            texts << piece.text;
        QCOMPARE(texts, (QStringList{u"a"_s, u"b"_s, u"\u00FC"_s}));
        QCOMPARE(decodeWideString(u"\uF061b"_s, kSymbol, own), u"\uF061b"_s);

        const FaceChoice other{QStringList{u"DejaVu Sans"_s}, false, false};
        QCOMPARE(decodeCharacters("a", kSymbol, other).front().text, u"α"_s);
        QCOMPARE(decodeWideString(u"\uF061b"_s, kSymbol, other), u"αβ"_s);
        // Only symbol fonts' text is in question.
        QCOMPARE(decodeCharacters("\xE1", kGreek, own).front().text, u"α"_s);
    }

    // A face that is not a font of the symbol encoding is no symbol font, even when installed.
    void face_symbolCharsetInAnOrdinaryFont_readByTheChart()
    {
        const FaceChoice choice = substituteFace(u"Liberation Serif"_s, kSymbol, 0);
        QVERIFY(!choice.symbolEncoded);
        QVERIFY(choice.families.first() != u"Liberation Serif"_s);
    }

    // A common Windows face: the face when it is installed, else its metric-compatible family.
    void face_windowsCommon_getsInstalledCompatibleFamily()
    {
        const QString face = u"Arial"_s;
        const QString compatible = u"Liberation Sans"_s;
        const FaceChoice choice = substituteFace(face, 0, 0);
        QVERIFY(!choice.families.isEmpty());
        const QString first = choice.families.first();
        QVERIFY2(first == face || first == compatible, qPrintable(first));
        QVERIFY2(QFontDatabase::hasFamily(first), qPrintable(first));
        QCOMPARE(QFontInfo(fontOf(choice)).family(), first);
        QVERIFY(!choice.eastAsianMetrics);
        // Japanese text in a Western face still finds Japanese glyphs.
        QCOMPARE(choice.families.last(), u"Noto Sans CJK JP"_s);
    }

    // An installed face is used as named, whatever the record's hint says and in the case Qt
    // knows it by. Faces nobody has are chosen by their name's style, else by the record's family
    // and pitch, as Windows would put Times New Roman, Arial or Courier New in their place.
    void face_western_getsInstalledFamily_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("pitchAndFamily");
        QTest::addColumn<QString>("family");
        QTest::newRow("installed")
            << u"Liberation Mono"_s << int(kVariableRoman) << u"Liberation Mono"_s;
        QTest::newRow("installed, other case")
            << u" liberation serif"_s << int(kVariableSwiss) << u"Liberation Serif"_s;
        QTest::newRow("unknown, roman")
            << u"Pixie"_s << int(kVariableRoman) << u"Liberation Serif"_s;
        QTest::newRow("unknown, swiss")
            << u"Pixie"_s << int(kVariableSwiss) << u"Liberation Sans"_s;
        QTest::newRow("Century Gothic stays Western")
            << u"Century Gothic"_s << 0 << u"Liberation Sans"_s;
        QTest::newRow("MS Serif") << u"MS Serif"_s << 0 << u"Liberation Serif"_s;
    }

    void face_western_getsInstalledFamily()
    {
        QFETCH(QString, face);
        QFETCH(int, pitchAndFamily);
        QFETCH(QString, family);
        if (QFontDatabase::hasFamily(face) && face.trimmed().compare(family, Qt::CaseInsensitive))
            QSKIP("the face itself is installed");
        const FaceChoice choice = substituteFace(face, 0, quint8(pitchAndFamily));
        QCOMPARE(choice.families.first(), family);
        QVERIFY(!choice.eastAsianMetrics);
        // Japanese text in a Western face still finds Japanese glyphs.
        QCOMPARE(choice.families.last(), u"Noto Sans CJK JP"_s);
    }

    // A script face gets whatever fontconfig offers for cursive text, as long as it is a family
    // with Latin letters.
    void face_unknownScript_getsLatinFamily()
    {
        const FaceChoice choice = substituteFace(u"Pixie"_s, 0, kScript);
        const QString first = choice.families.first();
        QVERIFY2(QFontDatabase::hasFamily(first), qPrintable(first));
        const QRawFont raw = QRawFont::fromFont(fontOf(choice));
        QVERIFY2(raw.supportsCharacter(u'A') && raw.supportsCharacter(u'z'), qPrintable(first));
        // A maker's name is no style.
        if (!QFontDatabase::hasFamily(u"Monotype Corsiva"_s))
            QCOMPARE(substituteFace(u"Monotype Corsiva"_s, 0, kScript).families.first(), first);
    }

    void face_symbol_hasTheSymbolCharacters()
    {
        for (const QString &face : {u"Symbol"_s, u"MT Extra"_s}) {
            const FaceChoice choice = substituteFace(face, kSymbol, kVariableRoman);
            if (choice.symbolEncoded)
                continue; // Windows' own font is installed, and draws the bytes itself
            const QString first = choice.families.first();
            QVERIFY2(QFontDatabase::hasFamily(first), qPrintable(first));
            const QRawFont raw = QRawFont::fromFont(fontOf(choice));
            for (char32_t c : {U'α', U'Ω', U'∀', U'∃', U'≅', U'∫', U'⎛', U'⎜', U'⎝', U'⎧', U'⎨',
                               U'⎩', U'⎪', U'⎭'})
                QVERIFY2(raw.supportsCharacter(c),
                         qPrintable(u"%1 lacks U+%2"_s.arg(first).arg(quint32(c), 4, 16)));
            QCOMPARE(choice.families.last(), u"Noto Sans CJK JP"_s);
        }
    }

    // In a metafile, Symbol-font bytes are drawn as the Greek letters they stand for: the same
    // picture as those letters from the Greek code page in the family chosen for Symbol.
    void wmfText_symbolFontInAPicture_drawnAsGreek()
    {
        const FaceChoice choice = substituteFace(u"Symbol"_s, kSymbol, 0);
        if (choice.symbolEncoded)
            QSKIP("Windows' Symbol font is installed");
        const QString family = choice.families.first();
        const QImage symbol = textPicture(u"Symbol"_s, kSymbol, "abgW");
        QVERIFY(!symbol.isNull());
        QCOMPARE(symbol, textPicture(family, kGreek, "\xE1\xE2\xE3\xD9"));
        QVERIFY(symbol != textPicture(family, 0, "abgW"));
    }

    void face_eastAsian_mapsToNotoCjk_data()
    {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>("family");
        const QString sansJp = QStringLiteral("Noto Sans CJK JP");
        const QString serifJp = QStringLiteral("Noto Serif CJK JP");
        QTest::newRow("ＭＳ ゴシック") << u"ＭＳ ゴシック"_s << 128 << sansJp;
        QTest::newRow("MS Mincho in a Western font") << u"MS Mincho"_s << 0 << serifJp;
        QTest::newRow("half-width katakana face") << u"HGｺﾞｼｯｸE"_s << 128 << sansJp;
        QTest::newRow("unknown Japanese face in a Western font")
            << u"ＤＦ中太楷書体"_s << 0 << sansJp;
        QTest::newRow("unknown face, Shift-JIS charset") << u"Foo"_s << 128 << sansJp;
        QTest::newRow("Chinese Song face") << u"宋体"_s << 134 << u"Noto Serif CJK SC"_s;
    }

    void face_eastAsian_mapsToNotoCjk()
    {
        QFETCH(QString, face);
        QFETCH(int, charset);
        QFETCH(QString, family);
        const FaceChoice choice = substituteFace(face, quint8(charset), 0);
        QCOMPARE(choice.families, QStringList{family});
        QVERIFY(choice.eastAsianMetrics);
        QVERIFY(QFontDatabase::hasFamily(family));
    }
};

QTEST_MAIN(GdiTextTest)
#include "tst_gditext.moc"
