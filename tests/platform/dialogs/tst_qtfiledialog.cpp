#include <platform/dialogs/qtfiledialog.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

void touch(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot make %s", qPrintable(path));
}

// Acts on the next modal file dialog once it is up, from inside its own event loop.
void whenDialogOpens(std::function<void(QFileDialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *d = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start();
}

// The folder a dialog prepared by `files` opens in.
QString startsIn(const QtFileDialog &files)
{
    QFileDialog dialog;
    files.prepare(dialog);
    return QDir(dialog.directory()).canonicalPath();
}

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

    void fileDialog_firstOpening_startsInTheSamples()
    {
        QtFileDialog files(program_->path());
        QFileDialog dialog;
        files.prepare(dialog);
        QCOMPARE(startsIn(files), QDir(samples_).canonicalPath());
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        // Above the control panel, which stays on top.
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void fileDialog_noSamples_startsBesideTheProgram()
    {
        QVERIFY(QDir(samples_).removeRecursively());
        QCOMPARE(startsIn(QtFileDialog(program_->path())), QDir(program_->path()).canonicalPath());
    }

    // Camera and Windows names come in capitals (IMG_0001.JPG, ROLL.BMP); ".jpg" is offered
    // beside ".jpeg".
    void fileDialog_filter_showsPicturesInAnyLetterCase()
    {
        const QStringList pictures = {QStringLiteral("A.BMP"),   QStringLiteral("IMG_0001.JPG"),
                                      QStringLiteral("b.Gif"),   QStringLiteral("c.WMF"),
                                      QStringLiteral("d.emf"),   QStringLiteral("e.Jpeg"),
                                      QStringLiteral("roll.jpg")};
        for (const QString &name : pictures)
            touch(samples_ + QLatin1Char('/') + name);
        for (const char *other : {"notes.txt", "board.png", "roll.bmp.bak", "jpg"})
            touch(samples_ + QLatin1Char('/') + QString::fromLatin1(other));

        QtFileDialog files(program_->path());
        QFileDialog dialog;
        files.prepare(dialog);
        dialog.show();
        QStringList expected = pictures;
        expected.sort();
        QTRY_COMPARE(listedFiles(dialog, samples_), expected);
        dialog.hide();
    }

    void fileDialog_chooseOrCancel_remembersFolderOnlyOnChoice()
    {
        const QString elsewhere = program_->filePath(QStringLiteral("rolls"));
        QVERIFY(QDir().mkpath(elsewhere));
        const QString chosen = elsewhere + QStringLiteral("/ROLL.JPG");
        touch(chosen);
        QtFileDialog files(program_->path());

        bool modal = false;
        whenDialogOpens([&](QFileDialog *d) {
            modal = d->isModal();
            d->reject();
        });
        QCOMPARE(files.openFile(nullptr), std::nullopt);
        QVERIFY(modal);
        QCOMPARE(startsIn(files), QDir(samples_).canonicalPath());

        whenDialogOpens([&](QFileDialog *d) {
            // As the user would: type the path and press Open.
            auto *name = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(chosen);
            QMetaObject::invokeMethod(d, "accept");
            if (d->isVisible())
                d->reject(); // let the test fail rather than hang
        });
        QCOMPARE(files.openFile(nullptr), std::optional<QString>(chosen));

        QString openedIn;
        whenDialogOpens([&](QFileDialog *d) {
            openedIn = d->directory().absolutePath();
            d->reject();
        });
        QCOMPARE(files.openFile(nullptr), std::nullopt);
        QCOMPARE(openedIn, elsewhere);
    }

private:
    std::unique_ptr<QTemporaryDir> program_;
    QString samples_;
};

QTEST_MAIN(TestQtFileDialog)
#include "tst_qtfiledialog.moc"
