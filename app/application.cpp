#include <app/application.h>

#include <app/form1.h>
#include <app/terminationsignals.h>
#include <common/executable.h>
#include <common/fonts.h>
#include <platform/dialogs/qtfiledialog.h>
#include <platform/maker/desktopurlopener.h>
#include <platform/maker/makerlibrary.h>
#include <platform/messagebox.h>
#include <platform/popupmenu.h>
#include <platform/sound/sdlsoundplayer.h>

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

} // namespace

int runApplication(int argc, char *argv[], const std::function<void(Form1 &)> &started)
{
    preferX11OnWayland();
    QApplication app(argc, argv);
    // Qt names the windows' X11 class after this, and the launcher matches its windows by that
    // class; through the `solbena` link it would otherwise be the link's name.
    QCoreApplication::setApplicationName(executable::baseName());
    // The panel stays open for the whole run; only the main window's closing ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    fonts::installFallbacks();
    fonts::useJapaneseDefaultFont();

    QtFileDialog fileDialog;
    QtMessageBox messageBox;
    QtPopupMenu popupMenu;
    SdlSoundPlayer sound;
    DesktopUrlOpener urlOpener;
    SharedMakerLibrary makerLibrary(executable::folder());
    Form1 form(Services{fileDialog, messageBox, popupMenu, sound, urlOpener, makerLibrary});
    closeOnTerminationSignals(&form);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form] { form.close(); });
    if (started)
        started(form);
    form.show();
    return app.exec();
}
