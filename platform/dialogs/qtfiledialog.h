#pragma once

// The program's file-open dialog: Qt's own (not the desktop's), so that the picture filter
// matches extensions in any letter case (IMG_0001.JPG) on every desktop.

#include <platform/filedialog.h>

#include <QString>

class QFileDialog;

class QtFileDialog : public FileDialog {
public:
    // `programFolder` is the executable's folder, where the samples lie.
    explicit QtFileDialog(QString programFolder) : programFolder_(std::move(programFolder)) {}
    std::optional<QString> openFile(QWidget *parent) override;

private:
    // Title, filter, mode and folder as openFile shows them.
    void prepare(QFileDialog &dialog) const;
    // The folder the dialog opens in: the last chosen file's folder, or before anything has
    // been chosen in this run, the samples beside the executable.
    QString startFolder() const;

    QString programFolder_;
    QString lastFolder_;
};
