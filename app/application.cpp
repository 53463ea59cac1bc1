#include <app/application.h>

#include <app/buswindow.h>
#include <app/terminationsignals.h>
#include <common/executable.h>
#include <common/fonts.h>
#include <platform/dialogs/qtfiledialog.h>
#include <platform/maker/desktopurlopener.h>
#include <platform/maker/makerlibrary.h>
#include <platform/messagebox.h>
#include <platform/popupmenu.h>
#include <platform/sound/sdlsoundplayer.h>
#include <platform/translations/translations.h>

#include <QApplication>
#include <QGuiApplication>

namespace {

// The program places its windows at absolute positions and keeps the panel above all others,
// which Wayland does not allow; run through XWayland unless the user chose a platform.
void preferX11OnWayland()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// The session's end reaches the application as a quit request. Qt would first close every
// window and give up at the panel, which refuses to close; close the main window instead, whose
// unload saves the settings and ends the program.
class QuitClosesMainWindow : public QObject {
public:
    explicit QuitClosesMainWindow(BusWindow &form) : QObject(&form), form_(form) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit)
            return false;
        form_.close();
        return true;
    }

private:
    BusWindow &form_;
};

} // namespace

void followSession(QGuiApplication &app, BusWindow &form)
{
    // Sent for checkpoints as well as at logout, so it must not end the program.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form] { form.saveSettings(); });
    app.installEventFilter(new QuitClosesMainWindow(form));
}

int runApplication(int argc, char *argv[], const std::function<void(BusWindow &)> &started)
{
    preferX11OnWayland();
    QApplication app(argc, argv);
    // Qt names the windows' X11 class after this, and the launcher matches its windows by that
    // class; through the `solbena` link it would otherwise be the link's name.
    const Executable program = Executable::running();
    QCoreApplication::setApplicationName(program.baseName);
    const Translations translations(QLocale::system());
    // The panel stays open for the whole run; only the main window's closing ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    fonts::installFallbacks();
    fonts::useJapaneseDefaultFont();

    QtFileDialog fileDialog(program.folder);
    QtMessageBox messageBox;
    QtPopupMenu popupMenu;
    SdlSoundPlayer sound;
    DesktopUrlOpener urlOpener;
    SharedMakerLibrary makerLibrary(program.folder);
    BusWindow form(
        Services{fileDialog, messageBox, popupMenu, sound, urlOpener, makerLibrary, program});
    const TerminationSignals terminationSignals(&form);
    followSession(app, form);
    if (started)
        started(form);
    form.show();
    return app.exec();
}
