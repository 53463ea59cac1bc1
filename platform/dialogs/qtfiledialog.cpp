#include <platform/dialogs/qtfiledialog.h>

#include <common/executable.h>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

const char16_t kTitle[] = u"開く";
// The five picture types, with ".jpg" beside ".jpeg" since most JPEG files are named so.
const char16_t kPictureFilter[] = u"画像ファイル (*.bmp *.jpeg *.jpg *.gif *.wmf *.emf)";

} // namespace

QString QtFileDialog::startFolder() const
{
    if (!lastFolder_.isEmpty())
        return lastFolder_;
    const QString samples = executable::samplesFolder(programFolder_);
    return QFileInfo(samples).isDir() ? samples : programFolder_;
}

void QtFileDialog::prepare(QFileDialog &dialog) const
{
    dialog.setWindowTitle(QString::fromUtf16(kTitle));
    // The control panel stays above every window; the dialog must not open under it.
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromUtf16(kPictureFilter));
    // Without this flag the name filter ignores letter case.
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setDirectory(startFolder());
}

std::optional<QString> QtFileDialog::openFile(QWidget *parent)
{
    QFileDialog dialog(parent);
    prepare(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString path = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}
