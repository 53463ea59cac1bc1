// Draws the program's pictures and writes them into a folder, and the desktop icons into another:
//   solbena-artwork <folder> [--icons <folder>] [--preview <file.png>]
// The preview shows the main window with the doors closed above and open below, twice the size.

#include <tools/artwork/artworkset.h>
#include <tools/artwork/samedrawing.h>

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

bool writeAll(const QString &path, const std::vector<artwork::Output> &outputs)
{
    const QDir folder(path);
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder.path()));
        return false;
    }
    for (const artwork::Output &output : outputs) {
        const QString file = folder.filePath(output.name);
        // Another CPU draws the same picture a few levels apart here and there; such a file
        // stays as committed.
        QFile committed(file);
        if (committed.open(QIODevice::ReadOnly) &&
            artwork::sameDrawing(committed.readAll(), output.bytes))
            continue;
        if (!writeFile(file, output.bytes))
            return false;
    }
    return true;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: solbena-artwork <folder> [--icons <folder>] [--preview <file.png>]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.size() % 2 != 1)
        return usage();
    QString icons;
    QString previewFile;
    for (qsizetype i = 1; i < args.size(); i += 2) {
        if (args[i] == QLatin1String("--icons"))
            icons = args[i + 1];
        else if (args[i] == QLatin1String("--preview"))
            previewFile = args[i + 1];
        else
            return usage();
    }
    try {
        if (!writeAll(args[0], artwork::generateArtwork()))
            return 1;
        if (!icons.isEmpty() && !writeAll(icons, artwork::generateAppIcons()))
            return 1;
        if (!previewFile.isEmpty() && !preview().save(previewFile, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(previewFile));
            return 1;
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
