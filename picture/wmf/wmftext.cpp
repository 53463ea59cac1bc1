#include <picture/wmf/wmftext.h>

#include <QStringDecoder>

namespace {

constexpr quint8 kAnsiCharset = 0;
constexpr quint8 kSymbolCharset = 2;
constexpr quint8 kMacCharset = 77;
constexpr quint8 kShiftJisCharset = 128;
constexpr quint8 kHangulCharset = 129;
constexpr quint8 kGb2312Charset = 134;
constexpr quint8 kBig5Charset = 136;
constexpr quint8 kGreekCharset = 161;
constexpr quint8 kTurkishCharset = 162;
constexpr quint8 kVietnameseCharset = 163;
constexpr quint8 kHebrewCharset = 177;
constexpr quint8 kArabicCharset = 178;
constexpr quint8 kBalticCharset = 186;
constexpr quint8 kRussianCharset = 204;
constexpr quint8 kThaiCharset = 222;
constexpr quint8 kEastEuropeCharset = 238;

constexpr quint8 kFamilyMask = 0xF0;
constexpr quint8 kFamilyRoman = 0x10;
constexpr quint8 kFamilyModern = 0x30;
constexpr quint8 kFixedPitch = 0x01;

enum class LeadBytes { None, ShiftJis, Wide };

struct Codec {
    const char *name = nullptr; // null: Latin-1
    LeadBytes lead = LeadBytes::None;
};

const Codec kShiftJis{"Shift_JIS", LeadBytes::ShiftJis};
const Codec kWindows1252{"windows-1252", LeadBytes::None};

bool validIn(const Codec &codec, QByteArrayView bytes)
{
    QStringDecoder decoder(codec.name, QStringConverter::Flag::Stateless);
    const QString text = decoder(bytes); // decoding happens on the conversion
    Q_UNUSED(text);
    return decoder.isValid() && !decoder.hasError();
}

// The "default" and "OEM" character sets mean the code page of the machine that made the file;
// for the people who make sign rolls that is Japanese Windows. Text that is not valid Shift-JIS
// came from somewhere else and is read as Western.
Codec codecFor(quint8 charset, QByteArrayView bytes)
{
    switch (charset) {
    case kAnsiCharset:
        return kWindows1252;
    case kSymbolCharset:
        return {};
    case kMacCharset:
        return {"macintosh", LeadBytes::None};
    case kShiftJisCharset:
        return kShiftJis;
    case kHangulCharset:
        return {"windows-949", LeadBytes::Wide};
    case kGb2312Charset:
        return {"GBK", LeadBytes::Wide};
    case kBig5Charset:
        return {"Big5", LeadBytes::Wide};
    case kGreekCharset:
        return {"windows-1253", LeadBytes::None};
    case kTurkishCharset:
        return {"windows-1254", LeadBytes::None};
    case kVietnameseCharset:
        return {"windows-1258", LeadBytes::None};
    case kHebrewCharset:
        return {"windows-1255", LeadBytes::None};
    case kArabicCharset:
        return {"windows-1256", LeadBytes::None};
    case kBalticCharset:
        return {"windows-1257", LeadBytes::None};
    case kRussianCharset:
        return {"windows-1251", LeadBytes::None};
    case kThaiCharset:
        return {"windows-874", LeadBytes::None};
    case kEastEuropeCharset:
        return {"windows-1250", LeadBytes::None};
    default:
        return validIn(kShiftJis, bytes) ? kShiftJis : kWindows1252;
    }
}

bool isLeadByte(LeadBytes lead, quint8 b)
{
    switch (lead) {
    case LeadBytes::ShiftJis:
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case LeadBytes::Wide:
        return b >= 0x81 && b <= 0xFE;
    case LeadBytes::None:
        break;
    }
    return false;
}

QStringDecoder decoderFor(const Codec &codec)
{
    return codec.name ? QStringDecoder(codec.name, QStringConverter::Flag::Stateless)
                      : QStringDecoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
}

bool hasEastAsianCharacters(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x3000)
            return true;
    return false;
}

bool containsAny(const QString &text, std::initializer_list<const char16_t *> words)
{
    for (const char16_t *w : words)
        if (text.contains(QStringView(w)))
            return true;
    return false;
}

} // namespace

namespace picture::wmf {

std::vector<TextPiece> decodeCharacters(QByteArrayView bytes, quint8 charset)
{
    const Codec codec = codecFor(charset, bytes);
    QStringDecoder decoder = decoderFor(codec);
    std::vector<TextPiece> pieces;
    pieces.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const int n = isLeadByte(codec.lead, quint8(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
        QString text = decoder(bytes.sliced(i, n));
        if (text == QChar(QChar::ReplacementCharacter))
            text.clear();
        pieces.push_back(TextPiece{std::move(text), n});
        i += n;
    }
    return pieces;
}

QString decodeString(QByteArrayView bytes, quint8 charset)
{
    QStringDecoder decoder = decoderFor(codecFor(charset, bytes));
    return decoder(bytes);
}

FaceChoice substituteFace(const QString &face, quint8 charset, quint8 pitchAndFamily)
{
    const QString sansJp = QStringLiteral("Noto Sans CJK JP");
    const QString serifJp = QStringLiteral("Noto Serif CJK JP");
    // Compatibility folding turns "ＭＳ Ｐゴシック" into "MS Pゴシック" and "ｺﾞｼｯｸ" into
    // "ゴシック".
    const QString name = face.normalized(QString::NormalizationForm_KC).trimmed().toCaseFolded();
    const bool windowsJapanese = name.startsWith(u"ms") || name.startsWith(u"hg") ||
                                 name.startsWith(u"yu") || name.startsWith(u"osaka");
    if (containsAny(name, {u"明朝", u"mincho"}))
        return {{serifJp}, true};
    if (containsAny(name, {u"ゴシック", u"meiryo", u"メイリオ"}) ||
        (windowsJapanese && name.contains(u"gothic")))
        return {{sansJp}, true};
    switch (charset) {
    case kShiftJisCharset:
        return {{sansJp}, true};
    case kHangulCharset:
        return {{containsAny(name, {u"batang", u"바탕", u"명조", u"gungsuh", u"궁서"})
                     ? QStringLiteral("Noto Serif CJK KR")
                     : QStringLiteral("Noto Sans CJK KR")},
                true};
    case kGb2312Charset:
        return {{containsAny(name, {u"宋", u"song", u"楷", u"kai"})
                     ? QStringLiteral("Noto Serif CJK SC")
                     : QStringLiteral("Noto Sans CJK SC")},
                true};
    case kBig5Charset:
        return {{containsAny(name, {u"明", u"ming", u"楷", u"kai"})
                     ? QStringLiteral("Noto Serif CJK TC")
                     : QStringLiteral("Noto Sans CJK TC")},
                true};
    default:
        break;
    }
    if (hasEastAsianCharacters(name))
        return {{sansJp}, true};

    // Western faces: the face itself if it happens to be installed, then a generic family, then
    // the Japanese face for any kana or kanji the text holds.
    QString generic = QStringLiteral("sans-serif");
    if (containsAny(name,
                    {u"courier", u"terminal", u"fixedsys", u"console", u"consolas", u"mono"}) ||
        (pitchAndFamily & kFamilyMask) == kFamilyModern || (pitchAndFamily & 0x03) == kFixedPitch)
        generic = QStringLiteral("monospace");
    else if (containsAny(name, {u"times", u"serif", u"century", u"georgia", u"garamond",
                                u"palatino", u"book antiqua", u"roman"}) &&
             !name.contains(u"sans") && !name.contains(u"gothic"))
        generic = QStringLiteral("serif");
    else if ((pitchAndFamily & kFamilyMask) == kFamilyRoman && !name.contains(u"sans"))
        generic = QStringLiteral("serif");
    QStringList families;
    if (!face.trimmed().isEmpty())
        families << face.trimmed();
    families << generic << sansJp;
    return {families, false};
}

} // namespace picture::wmf
