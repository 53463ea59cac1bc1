#pragma once

// Program start: the application object, the real services, the main window and its life.
int runApplication(int argc, char *argv[]);
