#pragma once

#include <functional>

class BusWindow;
class QGuiApplication;

// Program start: the application object, the real services, the main window and its life.
// `started`, when given, sees the main window once it has been created (the start-up
// benchmark uses it to stop at the first paint).
int runApplication(int argc, char *argv[], const std::function<void(BusWindow &)> &started = {});

// The desktop session: a checkpoint saves the settings and the program keeps running; the
// session's end (a quit request) closes the main window the normal way.
void followSession(QGuiApplication &app, BusWindow &form);
