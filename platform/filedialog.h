#pragma once

// The file-open dialog shared by the sign rolls and the signboard.

#include <QString>
#include <optional>

class QWidget;

class FileDialog {
public:
    virtual ~FileDialog() = default;
    // Modal. The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> openFile(QWidget *parent) = 0;
};
