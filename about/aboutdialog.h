#pragma once

// The About dialog: the program's name and version, the executable name as the model and serial
// number, the maker's lines, and a link that opens the maker's home page. Every control is named
// after itself (objectName), so it can be found from outside.

#include <QDialog>

class MakerLibrary;
class MessageBox;
class QPushButton;
class UrlOpener;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // `executableName` is the running executable's name without extension.
    AboutDialog(MessageBox &messageBox, UrlOpener &urlOpener, MakerLibrary &makerLibrary,
                const QString &executableName, QWidget *parent = nullptr);

    // Esc and the window manager's close go through the OK button, like its click.
    void reject() override;

private:
    // Hides the dialog, then closes it: the caller's modal wait ends.
    void dismiss();
    // Opens the maker's home page, or reports why its address could not be had.
    void openHomePage();

    QPushButton *okButton;

    MessageBox &messageBox_;
    UrlOpener &urlOpener_;
    MakerLibrary &makerLibrary_;
};

// Shows a new About dialog application-modally, with no owner, and returns once it is closed.
void showAboutDialog(MessageBox &messageBox, UrlOpener &urlOpener, MakerLibrary &makerLibrary,
                     const QString &executableName);
