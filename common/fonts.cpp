#include <common/fonts.h>

#include <QFont>
#include <QGuiApplication>
#include <QStringList>

namespace fonts {
namespace {
const QStringList japaneseGothic{QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                                 QStringLiteral("IPAGothic"), QStringLiteral("VL PGothic")};
} // namespace

void installFallbacks()
{
    for (const char *name : {kGothic, "ＭＳ ゴシック", "MS PGothic", "MS Gothic"})
        QFont::insertSubstitutions(QString::fromUtf8(name), japaneseGothic);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"),
                               {QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAMincho")});
}

void useJapaneseDefaultFont()
{
    QFont font = QGuiApplication::font();
    font.setFamilies(japaneseGothic);
    QGuiApplication::setFont(font);
}
} // namespace fonts
