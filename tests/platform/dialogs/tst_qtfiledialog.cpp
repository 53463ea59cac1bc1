#include <platform/dialogs/qtfiledialog.h>
#include <support/modalanswer.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using FileDialogAnswer = ModalAnswer<QFileDialog>;

void touch(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot make %s", qPrintable(path));
}

// What the user sees of the dialog.
struct Seen {
    QString folder;
    bool modal = false;
    bool onTop = false;
    bool qtsOwn = false;
};

Seen look(const QFileDialog &d)
{
    return {QDir(d.directory()).canonicalPath(),
            d.isModal() && QApplication::activeModalWidget() == &d,
            d.windowFlags().testFlag(Qt::WindowStaysOnTopHint),
            d.testOption(QFileDialog::DontUseNativeDialog)};
}

// Opens the dialog, notes what it shows and cancels it.
std::optional<Seen> seenOnOpening(QtFileDialog &files, std::optional<QString> *result = nullptr)
{
    std::optional<Seen> seen;
    FileDialogAnswer answer([&](QFileDialog &d) {
        seen = look(d);
        d.reject();
        return true;
    });
    const std::optional<QString> chosen = files.openFile(nullptr);
    if (result)
        *result = chosen;
    if (!answer.answered())
        return std::nullopt;
    return seen;
}

// The files the dialog lists in `folder`, once its model has read them.
QStringList listedFiles(QFileDialog &dialog, const QString &folder)
{
    auto *model = dialog.findChild<QFileSystemModel *>();
    if (!model)
        return {};
    const QModelIndex root = model->index(folder);
    QStringList names;
    for (int row = 0; row < model->rowCount(root); ++row) {
        const QModelIndex i = model->index(row, 0, root);
        if (!model->isDir(i) && (model->flags(i) & Qt::ItemIsEnabled))
            names << model->fileName(i);
    }
    names.sort();
    return names;
}

} // namespace

class TestQtFileDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        program_ = std::make_unique<QTemporaryDir>();
        samples_ = program_->filePath(QStringLiteral("samples"));
        QVERIFY(QDir().mkpath(samples_));
    }

    void openFile_noSamples_opensBesideTheProgram()
    {
        QVERIFY(QDir(samples_).removeRecursively());
        QtFileDialog files(program_->path());
        const std::optional<Seen> seen = seenOnOpening(files);
        QVERIFY2(seen, "no modal file dialog came up");
        QCOMPARE(seen->folder, QDir(program_->path()).canonicalPath());
    }

    // Camera and Windows names come in capitals (IMG_0001.JPG, ROLL.BMP); ".jpg" is offered
    // beside ".jpeg".
    void openFile_filter_listsPicturesInAnyLetterCase()
    {
        const QStringList pictures = {QStringLiteral("A.BMP"),   QStringLiteral("IMG_0001.JPG"),
                                      QStringLiteral("b.Gif"),   QStringLiteral("c.WMF"),
                                      QStringLiteral("d.emf"),   QStringLiteral("e.Jpeg"),
                                      QStringLiteral("roll.jpg")};
        for (const QString &name : pictures)
            touch(samples_ + QLatin1Char('/') + name);
        for (const char *other : {"notes.txt", "board.png", "roll.bmp.bak", "jpg"})
            touch(samples_ + QLatin1Char('/') + QString::fromLatin1(other));
        QStringList expected = pictures;
        expected.sort();

        QtFileDialog files(program_->path());
        QStringList listed;
        // The listing is read on a thread of the dialog's: look until it is complete.
        FileDialogAnswer answer([&](QFileDialog &d) {
            listed = listedFiles(d, samples_);
            if (listed != expected)
                return false;
            d.reject();
            return true;
        });
        QCOMPARE(files.openFile(nullptr), std::nullopt);
        QCOMPARE(listed, expected);
        QVERIFY(answer.answered());
    }

    void openFile_chooseOrCancel_opensInSamplesRemembersFolderOnlyOnChoice()
    {
        const QString elsewhere = program_->filePath(QStringLiteral("rolls"));
        QVERIFY(QDir().mkpath(elsewhere));
        const QString chosen = elsewhere + QStringLiteral("/ROLL.JPG");
        touch(chosen);
        QtFileDialog files(program_->path());

        std::optional<QString> answered = QStringLiteral("not asked");
        std::optional<Seen> seen = seenOnOpening(files, &answered);
        QVERIFY2(seen, "no modal file dialog came up");
        QCOMPARE(answered, std::nullopt);
        QCOMPARE(seen->folder, QDir(samples_).canonicalPath());
        QVERIFY(seen->modal);
        // Above the control panel, which stays on top, and Qt's own on every desktop.
        QVERIFY(seen->onTop);
        QVERIFY(seen->qtsOwn);
        // A cancelled dialog leaves the next one in the samples.
        seen = seenOnOpening(files);
        QVERIFY(seen);
        QCOMPARE(seen->folder, QDir(samples_).canonicalPath());

        {
            FileDialogAnswer answer([&](QFileDialog &d) {
                // As the user would: type the path and press Open.
                auto *name = d.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                if (!name)
                    return false;
                name->setText(chosen);
                QMetaObject::invokeMethod(&d, "accept");
                return true;
            });
            QCOMPARE(files.openFile(nullptr), std::optional<QString>(chosen));
            QVERIFY(answer.answered());
        }

        seen = seenOnOpening(files);
        QVERIFY(seen);
        QCOMPARE(seen->folder, QDir(elsewhere).canonicalPath());
    }

private:
    std::unique_ptr<QTemporaryDir> program_;
    QString samples_;
};

QTEST_MAIN(TestQtFileDialog)
#include "tst_qtfiledialog.moc"
