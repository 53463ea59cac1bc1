#include "wmfink.h"

#include <picture/metafile/wmf.h>

QImage render(const QByteArray &bytes, qreal dpr, QString *error)
{
    QImage image;
    QString why;
    if (!picture::renderWmf(bytes, dpr, &image, &why)) {
        if (error)
            *error = why;
        else
            qWarning("not drawn: %s", qPrintable(why));
    }
    return image;
}

bool inked(const QImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) > 0;
}

QRect inkBounds(const QImage &image, QRect area)
{
    if (area.isNull())
        area = image.rect();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (inked(image, x, y))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}
