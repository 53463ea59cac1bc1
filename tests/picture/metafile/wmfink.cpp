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
