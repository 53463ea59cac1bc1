// Plays arbitrary bytes as a Windows metafile.

#include <picture/metafile/wmf.h>

#include <QGuiApplication>

#include <cstdint>

namespace {

// Bigger pictures are legal but only make each run slow.
constexpr qint64 kMaxFuzzPixels = 1 << 20;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Not copied: the sanitizer then sees any read past the fuzzer's exact buffer.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QSize natural;
    QString error;
    if (!picture::wmfNaturalSize(bytes, &natural, &error))
        return 0;
    const qreal dpr = size % 2 ? 2.0 : 1.0;
    if (natural.width() * dpr * natural.height() * dpr > kMaxFuzzPixels)
        return 0;
    QImage image;
    picture::renderWmf(bytes, dpr, &image, &error);
    return 0;
}
