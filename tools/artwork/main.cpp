// Draws the program's pictures and writes them into a folder:
//   solbena-artwork <folder> [--preview <file.png>]
// The preview shows the main window with the doors closed above and open below, twice the size.

#include <tools/artwork/artworkset.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <exception>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage preview()
{
    const QImage closed = artwork::composeWindow(false);
    const QImage open = artwork::composeWindow(true);
    QImage both(closed.width(), closed.height() * 2 + 4, QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter p(&both);
    p.drawImage(0, 0, closed);
    p.drawImage(0, closed.height() + 4, open);
    p.end();
    return both.scaled(both.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 && !(args.size() == 3 && args[1] == QLatin1String("--preview"))) {
        std::fprintf(stderr, "usage: solbena-artwork <folder> [--preview <file.png>]\n");
        return 2;
    }
    try {
        const QDir folder(args[0]);
        if (!folder.exists() && !QDir().mkpath(folder.path())) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(folder.path()));
            return 1;
        }
        for (const artwork::Output &output : artwork::generateArtwork()) {
            if (!writeFile(folder.filePath(output.name), output.bytes))
                return 1;
        }
        if (args.size() == 3 && !preview().save(args[2], "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(args[2]));
            return 1;
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
