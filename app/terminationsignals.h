#pragma once

class QWidget;

// SIGTERM, SIGINT and SIGHUP (the session ending, the process being asked to stop) close the
// window the normal way, so its unload handler runs as for the close box.
void closeOnTerminationSignals(QWidget *window);
