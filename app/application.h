#pragma once

#include <functional>

class Form1;

// Program start: the application object, the real services, the main window and its life.
// `started`, when given, sees the main window once it has been created (the start-up
// benchmark uses it to stop at the first paint).
int runApplication(int argc, char *argv[], const std::function<void(Form1 &)> &started = {});
