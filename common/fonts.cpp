#include <common/fonts.h>

#include <QFont>
#include <QStringList>

namespace fonts {
void installFallbacks()
{
    const QStringList japaneseGothic{QStringLiteral("Noto Sans CJK JP"),
                                     QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                     QStringLiteral("VL PGothic")};
    for (const char *name : {kGothic, "ＭＳ ゴシック", "MS PGothic", "MS Gothic"})
        QFont::insertSubstitutions(QString::fromUtf8(name), japaneseGothic);
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"),
                               {QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAMincho")});
}
} // namespace fonts
