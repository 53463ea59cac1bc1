#pragma once

#include <QImage>

namespace artwork {

// The side of the bus, front at the left, both doorways open, as the main window's background.
QImage paintBus();

} // namespace artwork
