// Writes the sample rolls and signboards offered beside the program, and the picture fuzzer's
// seed corpus. The output depends on nothing but this code and the sample font, and on the CPU
// by a few levels on a few anti-aliased pixels, which leave a committed file as it is.
//
//   solbena-samples <samples folder> [<seed corpus folder>]

#include <tools/artwork/gifwriter.h>
#include <tools/artwork/samedrawing.h>
#include <tools/samples/bmpencoder.h>
#include <tools/samples/board.h>
#include <tools/samples/metafiles.h>
#include <tools/samples/raster.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <exception>

namespace {

constexpr int kJpegQuality = 92;

QByteArray encode(const QImage &image, const char *format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        throw std::runtime_error(writer.errorString().toStdString());
    return bytes;
}

void save(const QDir &dir, const QString &name, const QByteArray &bytes)
{
    // Another CPU draws the same picture a few levels apart here and there; such a file stays
    // as committed. The metafiles hold no drawing and are compared by their bytes.
    QFile committed(dir.filePath(name));
    if (committed.open(QIODevice::ReadOnly) && artwork::sameDrawing(committed.readAll(), bytes)) {
        std::printf("%-24s unchanged\n", qPrintable(name));
        return;
    }
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + file.fileName().toStdString());
    std::printf("%-24s %7lld bytes\n", qPrintable(name), qlonglong(bytes.size()));
}

void writeSamples(const QDir &dir)
{
    const samples::Board roll = samples::destinationRoll();
    const QImage rollImage = samples::paint(roll);
    save(dir, QStringLiteral("roll.bmp"), samples::encodeBmp(samples::toIndexed(rollImage)));
    save(dir, QStringLiteral("roll.gif"), artwork::encodeGif(samples::toIndexed(rollImage)));
    save(dir, QStringLiteral("roll.jpg"), encode(rollImage, "jpeg", kJpegQuality));
    save(dir, QStringLiteral("roll.wmf"), samples::writeWmf(roll));
    save(dir, QStringLiteral("roll.emf"), samples::writeEmf(roll));

    save(dir, QStringLiteral("wanman.bmp"),
         samples::encodeBmp(samples::toIndexed(samples::paint(samples::oneManBoard()))));
    save(dir, QStringLiteral("seiriken.gif"),
         artwork::encodeGif(samples::toIndexed(samples::paint(samples::ticketBoard()))));
    save(dir, QStringLiteral("keito12.emf"), samples::writeEmf(samples::routeBoard()));
    save(dir, QStringLiteral("keito12.wmf"), samples::writeWmf(samples::routeBoard()));
}

void writeSeeds(const QDir &dir)
{
    const samples::Board tiny = samples::tinyBoard();
    const QImage image = samples::paint(tiny);
    save(dir, QStringLiteral("seed.bmp"), samples::encodeBmp(samples::toIndexed(image)));
    save(dir, QStringLiteral("seed24.bmp"),
         samples::encodeBmp(image.convertToFormat(QImage::Format_RGB888)));
    save(dir, QStringLiteral("seed.gif"), artwork::encodeGif(samples::toIndexed(image)));
    save(dir, QStringLiteral("seed.jpg"), encode(image, "jpeg", kJpegQuality));
    save(dir, QStringLiteral("seed.wmf"), samples::writeWmf(tiny));
    save(dir, QStringLiteral("seed.emf"), samples::writeEmf(tiny));
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: %s <samples folder> [<seed corpus folder>]\n", argv[0]);
        return 2;
    }
    try {
        for (int i = 1; i < args.size(); ++i) {
            if (!QDir().mkpath(args[i]))
                throw std::runtime_error("cannot make " + args[i].toStdString());
            if (i == 1)
                writeSamples(QDir(args[i]));
            else
                writeSeeds(QDir(args[i]));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "solbena-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
