#pragma once

// The side effects the main window works through. The program hands in the real ones; tests
// hand in fakes, so no test waits on a modal window or a speaker. The executable is the one
// running, or the one a test pretends to be.

#include <common/executable.h>

class FileDialog;
class MakerLibrary;
class MessageBox;
class PopupMenu;
class SoundPlayer;
class UrlOpener;

struct Services {
    FileDialog &fileDialog;
    MessageBox &messageBox;
    PopupMenu &popupMenu;
    SoundPlayer &sound;
    UrlOpener &urlOpener;
    MakerLibrary &makerLibrary;
    Executable executable;
};
