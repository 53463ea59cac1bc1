#pragma once

// Whether a top-level window can still be reached on the screens connected now: a window saved
// on a monitor that has since been unplugged would otherwise come back out of sight.

#include <QList>
#include <QRect>

namespace onscreen {

// The least piece of a title bar, in pixels, that the user can still grab with the pointer.
inline constexpr int kGripWidth = 32;
inline constexpr int kGripHeight = 8;

// True when a kGripWidth x kGripHeight piece of the title bar of a window whose outer frame is
// `frame` lies inside one of the screens' available areas. The title bar is taken as the
// frame's top kGripHeight rows: before the window manager has framed a window, nothing more
// is known of it.
bool titleBarReachable(const QRect &frame, const QList<QRect> &available);

} // namespace onscreen
