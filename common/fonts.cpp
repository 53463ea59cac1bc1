#include <common/fonts.h>

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

namespace fonts {
namespace {
const QStringList japaneseGothicCandidates{
    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
    QStringLiteral("VL PGothic")};

// The first family this system has. Naming families that do not exist costs a font fallback
// search each time a font engine is made, and each look-up here costs one too, so the search
// stops at the first hit.
QStringList installed(const QStringList &candidates)
{
    for (const QString &family : candidates)
        if (QFontDatabase::hasFamily(family))
            return {family};
    return candidates.mid(0, 1);
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
    QFont::insertSubstitutions(
        QStringLiteral("ＭＳ 明朝"),
        installed({QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAMincho")}));
}

void useJapaneseDefaultFont()
{
    QFont font = QGuiApplication::font();
    font.setFamilies(japaneseGothic());
    QGuiApplication::setFont(font);
}

QFont gothic()
{
    QFont font;
    font.setFamilies(japaneseGothic());
    return font;
}
} // namespace fonts
