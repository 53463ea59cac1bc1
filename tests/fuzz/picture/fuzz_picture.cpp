// Feeds arbitrary bytes to the picture decoder. The bytes are not copied, so a read past their
// end is caught; the odd inputs are drawn at a screen density of 2 to reach the scaled paths.

#include <picture/picture.h>

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

namespace {
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(quiet);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const picture::Result r = picture::decode(bytes, QStringLiteral("fuzz"), size % 2 ? 2.0 : 1.0);
    if (r.ok() == r.image.isNull())
        std::abort(); // a picture and no error, or an error and no picture
    return 0;
}
