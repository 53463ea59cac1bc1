#include "emfink.h"

#include <picture/picture.h>

EmfBuilder emfPicture()
{
    EmfBuilder b(QRect(0, 0, 2646, 2646), QRect(0, 0, 100, 100));
    b.nullPen();
    b.solidBrush(Qt::black);
    return b;
}

QImage drawEmf(EmfBuilder &b)
{
    const picture::Result r = picture::decode(b.finish(), QStringLiteral("test.emf"));
    if (!r.ok())
        qWarning("not drawn: %s", qPrintable(r.error));
    return r.image;
}

Setup records(const QList<Record> &records)
{
    return [records](EmfBuilder &b) {
        for (const auto &[type, fields] : records)
            b.record(type, fields);
    };
}

Record box(int left, int top, int right, int bottom)
{
    return {U_EMR_RECTANGLE, {left, top, right, bottom}};
}

Record moveTo(int x, int y)
{
    return {U_EMR_MOVETOEX, {x, y}};
}

Record lineTo(int x, int y)
{
    return {U_EMR_LINETO, {x, y}};
}

Record bare(quint32 type)
{
    return {type, {}};
}

Record onPath(quint32 type)
{
    return {type, {0, 0, -1, -1}};
}
