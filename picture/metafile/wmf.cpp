#include <picture/metafile/wmf.h>

#include <picture/limits.h>
#include <picture/metafile/wmfplayer.h>
#include <picture/metafile/wmfrecords.h>

#include <QCoreApplication>

#include <cmath>

namespace {

constexpr qreal kMaxDevicePixelRatio = 16.0;

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

namespace picture {

bool wmfNaturalSize(const QByteArray &bytes, QSize *size, QString *error)
{
    wmf::Metafile mf;
    if (!wmf::readMetafile(bytes, &mf, error))
        return false;
    if (size)
        *size = mf.info.naturalPixels;
    return true;
}

bool renderWmf(const QByteArray &bytes, qreal dpr, QImage *out, QString *error)
{
    if (!(dpr > 0 && dpr <= kMaxDevicePixelRatio))
        return fail(error, QCoreApplication::translate("picture",
                                                       "the device pixel ratio %1 is out of range")
                               .arg(dpr));
    wmf::Metafile mf;
    if (!wmf::readMetafile(bytes, &mf, error))
        return false;
    const QSize natural = mf.info.naturalPixels;
    const qint64 width = std::lround(natural.width() * dpr);
    const qint64 height = std::lround(natural.height() * dpr);
    // The limits describe themselves after a file name, which the caller adds; drop the slot.
    QString problem = sizeProblem(natural.width(), natural.height(), QString());
    if (problem.isEmpty())
        problem = sizeProblem(width, height, QString());
    if (!problem.isEmpty())
        return fail(error, problem.startsWith(QStringLiteral(": ")) ? problem.mid(2) : problem);

    QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return fail(error, QCoreApplication::translate(
                               "picture", "there is not enough memory for the picture"));
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    wmf::play(mf, &image);
    if (out)
        *out = std::move(image);
    return true;
}

} // namespace picture
