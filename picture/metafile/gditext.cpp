#include <picture/metafile/gditext.h>

#include <QStringDecoder>

#include <fontconfig/fontconfig.h>

#include <array>
#include <memory>
#include <vector>

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
constexpr quint8 kFamilySwiss = 0x20;
constexpr quint8 kFamilyModern = 0x30;
constexpr quint8 kFamilyScript = 0x40;
constexpr quint8 kFamilyDecorative = 0x50;
constexpr quint8 kPitchMask = 0x03;
constexpr quint8 kFixedPitch = 0x01;
constexpr quint8 kVariablePitch = 0x02;

// Symbol fonts' text as EMF's UTF-16 holds it: the byte values moved to this private-use row.
constexpr char16_t kSymbolPrivateRow = 0xF000;
constexpr char16_t kSymbolPrivateFirst = 0xF020;
constexpr char16_t kSymbolPrivateLast = 0xF0FF;

const QString kSansJp = QStringLiteral("Noto Sans CJK JP");
const QString kSerifJp = QStringLiteral("Noto Serif CJK JP");

// The Symbol font's code chart; 0 where it has no character. The arrow extenders (0xBD, 0xBE)
// are box-drawing lines rather than U+23D0 and U+23AF, which hardly any font has.
// clang-format off
constexpr std::array<char16_t, 256> kSymbolChart = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x20
    u' ', u'!', u'∀', u'#', u'∃', u'%', u'&', u'∋', u'(', u')', u'∗', u'+', u',', u'−', u'.', u'/',
    u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u':', u';', u'<', u'=', u'>', u'?',
    // 0x40
    u'≅', u'Α', u'Β', u'Χ', u'Δ', u'Ε', u'Φ', u'Γ', u'Η', u'Ι', u'ϑ', u'Κ', u'Λ', u'Μ', u'Ν', u'Ο',
    u'Π', u'Θ', u'Ρ', u'Σ', u'Τ', u'Υ', u'ς', u'Ω', u'Ξ', u'Ψ', u'Ζ', u'[', u'∴', u']', u'⊥', u'_',
    // 0x60
    u'‾', u'α', u'β', u'χ', u'δ', u'ε', u'φ', u'γ', u'η', u'ι', u'ϕ', u'κ', u'λ', u'μ', u'ν', u'ο',
    u'π', u'θ', u'ρ', u'σ', u'τ', u'υ', u'ϖ', u'ω', u'ξ', u'ψ', u'ζ', u'{', u'|', u'}', u'∼', 0,
    // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    u'€', u'ϒ', u'′', u'≤', u'⁄', u'∞', u'ƒ', u'♣', u'♦', u'♥', u'♠', u'↔', u'←', u'↑', u'→', u'↓',
    u'°', u'±', u'″', u'≥', u'×', u'∝', u'∂', u'•', u'÷', u'≠', u'≡', u'≈', u'…', u'│', u'─', u'↵',
    // 0xC0
    u'ℵ', u'ℑ', u'ℜ', u'℘', u'⊗', u'⊕', u'∅', u'∩', u'∪', u'⊃', u'⊇', u'⊄', u'⊂', u'⊆', u'∈', u'∉',
    u'∠', u'∇', u'®', u'©', u'™', u'∏', u'√', u'⋅', u'¬', u'∧', u'∨', u'⇔', u'⇐', u'⇑', u'⇒', u'⇓',
    // 0xE0
    u'◊', u'⟨', u'®', u'©', u'™', u'∑', u'⎛', u'⎜', u'⎝', u'⎡', u'⎢', u'⎣', u'⎧', u'⎨', u'⎩', u'⎪',
    0,    u'⟩', u'∫', u'⌠', u'⎮', u'⌡', u'⎞', u'⎟', u'⎠', u'⎤', u'⎥', u'⎦', u'⎫', u'⎬', u'⎭', 0,
};
// clang-format on

enum class LeadBytes { None, ShiftJis, Wide };

struct Codec {
    const char *name = nullptr;
    LeadBytes lead = LeadBytes::None;
    bool symbol = false;
};

const Codec kShiftJis{"Shift_JIS", LeadBytes::ShiftJis};
const Codec kWindows1252{"windows-1252", LeadBytes::None};
const Codec kSymbol{nullptr, LeadBytes::None, true};

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
        return kSymbol;
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

// ---- Installed families, through fontconfig --------------------------------------------------

struct FcDeleter {
    void operator()(FcPattern *p) const { FcPatternDestroy(p); }
    void operator()(FcFontSet *s) const { FcFontSetDestroy(s); }
    void operator()(FcObjectSet *s) const { FcObjectSetDestroy(s); }
    void operator()(FcCharSet *c) const { FcCharSetDestroy(c); }
};
template <typename T> using FcOwned = std::unique_ptr<T, FcDeleter>;

// The name a font goes by in Qt's font database: its English family name, else its first.
QString familyOf(const FcPattern *font)
{
    FcChar8 *first = nullptr;
    FcPatternGetString(font, FC_FAMILY, 0, &first);
    FcChar8 *family = nullptr;
    FcChar8 *lang = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        if (FcPatternGetString(font, FC_FAMILYLANG, i, &lang) == FcResultMatch &&
            FcStrCmpIgnoreCase(lang, reinterpret_cast<const FcChar8 *>("en")) == 0)
            return QString::fromUtf8(reinterpret_cast<const char *>(family));
    return first ? QString::fromUtf8(reinterpret_cast<const char *>(first)) : QString();
}

FcOwned<FcPattern> familyPattern(const QString &family)
{
    FcOwned<FcPattern> pattern(FcPatternCreate());
    const QByteArray utf8 = family.toUtf8();
    FcPatternAddString(pattern.get(), FC_FAMILY,
                       reinterpret_cast<const FcChar8 *>(utf8.constData()));
    return pattern;
}

// The installed family of that name as Qt knows it, or an empty string; with `symbolEncoded`,
// only a font of Windows' symbol encoding.
QString installedFamily(const QString &family, bool symbolEncoded = false)
{
    if (family.isEmpty())
        return {};
    const FcOwned<FcPattern> pattern = familyPattern(family);
    if (symbolEncoded)
        FcPatternAddBool(pattern.get(), FC_SYMBOL, FcTrue);
    const FcOwned<FcObjectSet> objects(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr));
    const FcOwned<FcFontSet> fonts(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!fonts || fonts->nfont == 0)
        return {};
    // A font may go by several names ("DejaVu Sans" and "DejaVu Sans Condensed"); Qt knows it
    // by each, and the one asked for keeps its width.
    FcChar8 *name = nullptr;
    for (int i = 0; FcPatternGetString(fonts->fonts[0], FC_FAMILY, i, &name) == FcResultMatch;
         ++i) {
        const QString candidate = QString::fromUtf8(reinterpret_cast<const char *>(name));
        if (candidate.compare(family, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return familyOf(fonts->fonts[0]);
}

// Whether the font has every character of `text`.
bool covers(const FcPattern *font, QStringView text)
{
    FcCharSet *charset = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch)
        return false;
    for (QChar c : text)
        if (!FcCharSetHasChar(charset, c.unicode()))
            return false;
    return true;
}

// The installed family fontconfig chooses for a generic name ("serif", "cursive"), provided
// it has the Latin letters.
QString genericFamily(const char *generic)
{
    FcOwned<FcPattern> pattern = familyPattern(QString::fromLatin1(generic));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const FcOwned<FcPattern> font(FcFontMatch(nullptr, pattern.get(), &result));
    if (!font || !covers(font.get(), u"AZaz"))
        return {};
    return familyOf(font.get());
}

// The family that has the most of the Symbol chart (fontconfig weighs the characters a font
// lacks before its family); among equals, the one preferred for serif text, as the Symbol
// font's Greek is.
QString symbolFamily()
{
    FcOwned<FcCharSet> wanted(FcCharSetCreate());
    for (char16_t c : kSymbolChart)
        if (c)
            FcCharSetAddChar(wanted.get(), c);
    FcOwned<FcPattern> pattern = familyPattern(QStringLiteral("serif"));
    FcPatternAddCharSet(pattern.get(), FC_CHARSET, wanted.get());
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const FcOwned<FcPattern> font(FcFontMatch(nullptr, pattern.get(), &result));
    return font ? familyOf(font.get()) : QString();
}

enum class Style { Sans, Serif, Mono, Script };

// What Windows puts in for a face it lacks: Arial, Times New Roman or Courier New by the font
// record's family and pitch. Their metric-compatible families come first.
QString familyFor(Style style)
{
    std::array<const char *, 2> preferred{"Liberation Sans", "Arimo"};
    const char *generic = "sans-serif";
    switch (style) {
    case Style::Serif:
        preferred = {"Liberation Serif", "Tinos"};
        generic = "serif";
        break;
    case Style::Mono:
        preferred = {"Liberation Mono", "Cousine"};
        generic = "monospace";
        break;
    case Style::Script:
        if (QString family = genericFamily("cursive"); !family.isEmpty())
            return family;
        break;
    case Style::Sans:
        break;
    }
    for (const char *name : preferred)
        if (QString family = installedFamily(QString::fromLatin1(name)); !family.isEmpty())
            return family;
    return genericFamily(generic);
}

Style styleOf(const QString &name, quint8 pitchAndFamily)
{
    const quint8 family = pitchAndFamily & kFamilyMask;
    const quint8 pitch = pitchAndFamily & kPitchMask;
    const bool monoName =
        containsAny(name, {u"courier", u"terminal", u"fixedsys", u"console", u"consolas"}) ||
        (name.contains(u"mono") && !name.contains(u"monotype"));
    if (monoName || pitch == kFixedPitch || (family == kFamilyModern && pitch != kVariablePitch))
        return Style::Mono;
    if (name.contains(u"sans") || name.contains(u"gothic") || name.contains(u"arial") ||
        name.contains(u"helvetica"))
        return Style::Sans;
    if (containsAny(name, {u"times", u"serif", u"century", u"georgia", u"garamond", u"palatino",
                           u"book antiqua", u"roman", u"bookman", u"cambria"}))
        return Style::Serif;
    switch (family) {
    case kFamilyRoman:
        return Style::Serif;
    case kFamilyScript:
        return Style::Script;
    case kFamilyDecorative: // fontconfig's "fantasy" may well be a font of dingbats
    case kFamilySwiss:
    default:
        return Style::Sans;
    }
}

// Families drawn with the metrics of a Windows face, where Windows' metrics differ from those of
// the style's usual family.
std::vector<const char *> metricCompatible(const QString &name)
{
    if (name == u"arial narrow")
        return {"Liberation Sans Narrow", "Nimbus Sans Narrow"};
    if (name == u"calibri")
        return {"Carlito"};
    if (name == u"cambria")
        return {"Caladea"};
    return {};
}

} // namespace

namespace picture::gdi {

std::vector<TextPiece> decodeCharacters(QByteArrayView bytes, quint8 charset)
{
    const Codec codec = codecFor(charset, bytes);
    std::vector<TextPiece> pieces;
    pieces.reserve(bytes.size());
    if (codec.symbol) {
        for (char b : bytes) {
            const char16_t c = kSymbolChart[quint8(b)];
            pieces.push_back(TextPiece{c ? QString(QChar(c)) : QString(), 1});
        }
        return pieces;
    }
    QStringDecoder decoder = decoderFor(codec);
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
    const Codec codec = codecFor(charset, bytes);
    QStringDecoder decoder = decoderFor(codec.symbol ? kWindows1252 : codec);
    return decoder(bytes);
}

std::vector<TextPiece> decodeCharacters(QByteArrayView bytes, quint8 charset,
                                        const FaceChoice &face)
{
    if (charset != kSymbolCharset || !face.symbolEncoded)
        return decodeCharacters(bytes, charset);
    // Qt finds the glyphs of a symbol-encoded font by the byte values.
    std::vector<TextPiece> pieces;
    pieces.reserve(bytes.size());
    for (char b : bytes)
        pieces.push_back(TextPiece{QString(QChar(char16_t(quint8(b)))), 1});
    return pieces;
}

QString decodeWideString(QStringView text, quint8 charset, const FaceChoice &face)
{
    return charset == kSymbolCharset && face.symbolEncoded ? text.toString()
                                                           : decodeWideString(text, charset);
}

QString decodeWideString(QStringView text, quint8 charset)
{
    QString out = text.toString();
    if (charset != kSymbolCharset)
        return out;
    // Codes the chart has no character for stay as they are.
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        const char16_t byte = u >= kSymbolPrivateFirst && u <= kSymbolPrivateLast
                                  ? char16_t(u - kSymbolPrivateRow)
                                  : u;
        if (byte < kSymbolChart.size() && kSymbolChart[byte])
            c = QChar(kSymbolChart[byte]);
    }
    return out;
}

FaceChoice substituteFace(const QString &face, quint8 charset, quint8 pitchAndFamily)
{
    // Compatibility folding turns "ＭＳ Ｐゴシック" into "MS Pゴシック" and "ｺﾞｼｯｸ" into
    // "ゴシック".
    const QString name = face.normalized(QString::NormalizationForm_KC).trimmed().toCaseFolded();
    const bool windowsJapanese = name.startsWith(u"ms") || name.startsWith(u"hg") ||
                                 name.startsWith(u"yu") || name.startsWith(u"osaka");
    if (containsAny(name, {u"明朝", u"mincho"}))
        return {{kSerifJp}, true};
    if (containsAny(name, {u"ゴシック", u"meiryo", u"メイリオ"}) ||
        (windowsJapanese && name.contains(u"gothic")))
        return {{kSansJp}, true};
    switch (charset) {
    case kShiftJisCharset:
        return {{kSansJp}, true};
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
        return {{kSansJp}, true};

    // Western faces: the face itself if it is installed, else a family with its metrics, else
    // one of its style; last the Japanese face for any kana or kanji the text holds. A symbol
    // font that is not installed has its text read by the Symbol chart, so it wants the family
    // with most of those characters.
    QStringList families;
    const auto add = [&families](const QString &family) {
        if (!family.isEmpty() && !families.contains(family))
            families << family;
    };
    bool symbolEncoded = false;
    if (charset == kSymbolCharset) {
        add(installedFamily(face.trimmed(), true));
        symbolEncoded = !families.isEmpty();
        add(symbolFamily());
    } else {
        add(installedFamily(face.trimmed()));
    }
    if (families.isEmpty())
        for (const char *compatible : metricCompatible(name))
            add(installedFamily(QString::fromLatin1(compatible)));
    add(familyFor(styleOf(name, pitchAndFamily)));
    add(kSansJp);
    return {families, false, symbolEncoded};
}

} // namespace picture::gdi
