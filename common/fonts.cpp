#include <common/fonts.h>

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace fonts {
namespace {
const QStringList japaneseGothicCandidates{QStringLiteral("Noto Sans CJK JP"),
                                           QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                           QStringLiteral("VL PGothic")};

// Only the families this system has: every family named that does not exist costs a font
// fallback search each time a font engine is made.
QStringList installed(const QStringList &candidates)
{
    QStringList found;
    for (const QString &family : candidates)
        if (QFontDatabase::hasFamily(family))
            found << family;
    return found.isEmpty() ? candidates.mid(0, 1) : found;
}

const QStringList &japaneseGothic()
{
    static const QStringList families = installed(japaneseGothicCandidates);
    return families;
}
} // namespace

void installFallbacks()
{
    for (const char *name : {kGothic, "ＭＳ ゴシック", "MS PGothic", "MS Gothic"})
        QFont::insertSubstitutions(QString::fromUtf8(name), japaneseGothic());
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"),
                               installed({QStringLiteral("Noto Serif CJK JP"),
                                          QStringLiteral("IPAMincho")}));
}

void useJapaneseDefaultFont()
{
    QFont font = QGuiApplication::font();
    font.setFamilies(japaneseGothic());
    QGuiApplication::setFont(font);
}
} // namespace fonts
