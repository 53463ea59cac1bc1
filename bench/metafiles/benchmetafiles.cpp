// Metafiles as a user loads them: how long picture::load takes for each EMF and WMF of a folder,
// and how far each picture is from LibreOffice Draw's rendering of the same file.
//
//   bench_metafiles [FOLDER] [--files a.emf,b*.wmf] [--runs N] [--reference DIR] [--save DIR]
//                   [--tsv FILE]
//
// FOLDER defaults to shared/metafiles/emf beside the source tree (or beside one of its parents).
// Each time is the best of --runs loads (default 5), so that other work on the machine does not
// count against the loader. When `soffice` is installed, every file is converted to PNG by
// LibreOffice, which places the picture on a page; --reference keeps those PNGs in DIR and reuses
// them on later runs. --save writes our picture and a comparison (ours | LibreOffice's scaled to
// ours | differing cells) for each file. Targets: at least 85 % of the files that LibreOffice
// draws within 5 % (score at most 0.05; a file we fail to load scores 1), median load at most
// 5 ms, none over 100 ms (Release build).

#include "score.h"

#include <picture/picture.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kDefaultRuns = 5;
constexpr double kWithin = 0.05;
constexpr double kShareTarget = 0.85;
constexpr double kMedianTargetMs = 5.0;
constexpr double kMaxTargetMs = 100.0;
constexpr int kGap = 8;
// A conversion of a hundred files takes well under a minute; a hung LibreOffice must not hang us.
constexpr int kConversionTimeoutMs = 15 * 60 * 1000;
const char kSharedFolder[] = "shared/metafiles/emf";

struct Row {
    QString name;
    double ms = 0;
    QString error;
    bool scored = false;
    double score = 1.0;
    QString note;
};

struct Options {
    QString folder;
    QStringList patterns = {QStringLiteral("*.emf"), QStringLiteral("*.wmf")};
    int runs = kDefaultRuns;
    QString reference, save, tsv;
};

// The first shared/metafiles/emf found beside the source tree or one of its parents, so that a
// worktree nested deeper than the main checkout finds the same files.
QString defaultFolder()
{
    for (QDir dir(QStringLiteral(SOLBENA_SOURCE_DIR)); dir.cdUp();) {
        if (QFileInfo(dir.filePath(QLatin1String(kSharedFolder))).isDir())
            return dir.filePath(QLatin1String(kSharedFolder));
    }
    return {};
}

bool parse(const QStringList &args, Options *o)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--files") && hasValue)
            o->patterns = args[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (a == QLatin1String("--runs") && hasValue)
            o->runs = std::max(1, args[++i].toInt());
        else if (a == QLatin1String("--reference") && hasValue)
            o->reference = args[++i];
        else if (a == QLatin1String("--save") && hasValue)
            o->save = args[++i];
        else if (a == QLatin1String("--tsv") && hasValue)
            o->tsv = args[++i];
        else if (!a.startsWith(QLatin1Char('-')) && o->folder.isEmpty())
            o->folder = a;
        else
            return false;
    }
    if (o->folder.isEmpty())
        o->folder = defaultFolder();
    return !o->folder.isEmpty();
}

// LibreOffice's PNG of every file that DIR lacks, named after the whole file name (a.emf.png), so
// that a.emf and a.wmf keep apart. One conversion per extension, with a profile of its own, so
// that runs side by side do not meet in one LibreOffice.
void convertMissing(const QString &soffice, const QDir &folder, const QStringList &names,
                    const QString &dir)
{
    std::map<QString, QStringList> bySuffix;
    for (const QString &name : names) {
        if (!QFileInfo::exists(dir + QLatin1Char('/') + name + QLatin1String(".png")))
            bySuffix[QFileInfo(name).suffix().toLower()].append(name);
    }
    QTemporaryDir work;
    for (const auto &[suffix, batch] : bySuffix) {
        std::fprintf(stderr, "LibreOffice converts %lld .%s files into %s ...\n",
                     qlonglong(batch.size()), qPrintable(suffix), qPrintable(dir));
        const QString out = work.filePath(suffix);
        QStringList args = {
            QStringLiteral("-env:UserInstallation=") +
                QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString(),
            QStringLiteral("--headless"),
            QStringLiteral("--convert-to"),
            QStringLiteral("png"),
            QStringLiteral("--outdir"),
            out};
        for (const QString &name : batch)
            args.append(folder.filePath(name));
        QProcess lo;
        lo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        lo.start(soffice, args);
        if (!lo.waitForFinished(kConversionTimeoutMs)) {
            std::fprintf(stderr, "LibreOffice did not finish; stopped\n");
            lo.kill();
            lo.waitForFinished();
        }
        for (const QString &name : batch) {
            QFile::rename(out + QLatin1Char('/') + QFileInfo(name).completeBaseName() +
                              QLatin1String(".png"),
                          dir + QLatin1Char('/') + name + QLatin1String(".png"));
        }
    }
}

void saveComparison(const QString &dir, const QString &name, const metafilescore::Comparison &c)
{
    const QSize size = c.ours.isNull() ? c.reference.size() : c.ours.size();
    if (size.isEmpty())
        return;
    QImage sheet(size.width() * 3 + kGap * 2, size.height(), QImage::Format_RGB32);
    sheet.fill(Qt::lightGray);
    QPainter painter(&sheet);
    painter.drawImage(0, 0, c.ours);
    painter.drawImage(size.width() + kGap, 0, c.reference);
    painter.drawImage((size.width() + kGap) * 2, 0, c.difference);
    painter.end();
    sheet.save(dir + QLatin1Char('/') + name + QLatin1String(".compare.png"));
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// Times the loads of one file and scores its picture against LibreOffice's, if there is one.
Row measure(const QDir &folder, const QString &name, const Options &o, const QString &reference,
            bool haveLibreOffice)
{
    Row row;
    row.name = name;
    picture::Result result;
    for (int run = 0; run < o.runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        result = picture::load(folder.filePath(name));
        const double ms = timer.nsecsElapsed() / 1e6;
        row.ms = run == 0 ? ms : std::min(row.ms, ms);
    }
    row.error = result.error;
    const QImage lo(reference + QLatin1Char('/') + name + QLatin1String(".png"));
    if (!haveLibreOffice) {
        row.note = QStringLiteral("no LibreOffice");
    } else if (lo.isNull() || metafilescore::inkBounds(metafilescore::flattened(lo)).isEmpty()) {
        row.note = QStringLiteral("LibreOffice drew nothing");
    } else {
        const metafilescore::Comparison c = metafilescore::compare(result.image, lo);
        row.scored = true;
        row.score = c.score;
        if (!o.save.isEmpty())
            saveComparison(o.save, name, c);
    }
    if (!o.save.isEmpty() && !result.image.isNull())
        result.image.save(o.save + QLatin1Char('/') + name + QLatin1String(".ours.png"));
    if (!row.error.isEmpty())
        row.note = row.error;
    return row;
}

// Prints the table worst first (failures, then the largest score, then the slowest) and the
// targets; gives the number of targets missed.
int report(std::vector<Row> rows, const Options &o, const QDir &folder, bool haveLibreOffice)
{
    std::sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        if (a.error.isEmpty() != b.error.isEmpty())
            return !a.error.isEmpty();
        if (a.scored != b.scored)
            return a.scored;
        if (a.score != b.score)
            return a.score > b.score;
        return a.ms > b.ms;
    });
    QFile tsv(o.tsv);
    if (!o.tsv.isEmpty() && tsv.open(QIODevice::WriteOnly | QIODevice::Truncate))
        tsv.write("file\tscore\tms\tnote\n");
    std::printf("%-28s %7s %9s  %s\n", "file", "score", "ms", "note");
    std::vector<double> times;
    int failed = 0, scored = 0, within = 0;
    const Row *slowest = &rows.front();
    for (const Row &r : rows) {
        const QString score = r.scored ? QString::number(r.score, 'f', 3) : QStringLiteral("-");
        std::printf("%-28s %7s %9.2f  %s\n", qPrintable(r.name), qPrintable(score), r.ms,
                    qPrintable(r.note));
        if (tsv.isOpen()) {
            tsv.write(QStringLiteral("%1\t%2\t%3\t%4\n")
                          .arg(r.name, score, QString::number(r.ms, 'f', 2), r.note)
                          .toUtf8());
        }
        times.push_back(r.ms);
        failed += !r.error.isEmpty();
        scored += r.scored;
        within += r.scored && r.score <= kWithin;
        if (r.ms > slowest->ms)
            slowest = &r;
    }

    const double medianMs = median(times);
    const bool medianMet = medianMs <= kMedianTargetMs, maxMet = slowest->ms <= kMaxTargetMs;
    std::printf("\n%lld files in %s, %d failed to load\n", qlonglong(rows.size()),
                qPrintable(folder.absolutePath()), failed);
    std::printf("load time (best of %d): median %.2f ms (target at most %.0f: %s), "
                "max %.2f ms in %s (target at most %.0f: %s)\n",
                o.runs, medianMs, kMedianTargetMs, verdict(medianMet), slowest->ms,
                qPrintable(slowest->name), kMaxTargetMs, verdict(maxMet));
    int missed = !medianMet + !maxMet;
    if (!haveLibreOffice) {
        std::printf("LibreOffice (soffice) is not installed: no scores\n");
        return missed;
    }
    const double share = scored ? double(within) / scored : 0.0;
    const bool shareMet = share >= kShareTarget;
    std::printf("within 5 %% of LibreOffice: %d of %d files drawn by LibreOffice, %.1f %% "
                "(target at least %.0f %%: %s)\n",
                within, scored, share * 100, kShareTarget * 100, verdict(shareMet));
    return missed + !shareMet;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The decoders' own warnings would bury the table.
    QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));

    Options o;
    if (!parse(app.arguments(), &o)) {
        std::fprintf(stderr, "usage: bench_metafiles [FOLDER] [--files a.emf,b*.wmf] [--runs N] "
                             "[--reference DIR] [--save DIR] [--tsv FILE]\n");
        return 2;
    }
    const QDir folder(o.folder);
    const QStringList names = folder.entryList(o.patterns, QDir::Files, QDir::Name);
    if (names.isEmpty()) {
        std::fprintf(stderr, "no metafiles in %s\n", qPrintable(folder.absolutePath()));
        return 2;
    }
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    QTemporaryDir scratch;
    const QString reference = o.reference.isEmpty() ? scratch.path() : o.reference;
    if (!soffice.isEmpty() && QDir().mkpath(reference))
        convertMissing(soffice, folder, names, reference);
    if (!o.save.isEmpty())
        QDir().mkpath(o.save);

    std::vector<Row> rows;
    for (const QString &name : names)
        rows.push_back(measure(folder, name, o, reference, !soffice.isEmpty()));
    return report(std::move(rows), o, folder, !soffice.isEmpty()) ? 1 : 0;
}
