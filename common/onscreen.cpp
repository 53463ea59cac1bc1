#include <common/onscreen.h>

namespace onscreen {

bool titleBarReachable(const QRect &frame, const QList<QRect> &available)
{
    const QRect titleBar(frame.left(), frame.top(), frame.width(), kGripHeight);
    for (const QRect &screen : available) {
        // Judged screen by screen: a piece split across two screens is hard to grab.
        const QRect seen = titleBar & screen;
        if (seen.width() >= kGripWidth && seen.height() >= kGripHeight)
            return true;
    }
    return false;
}

} // namespace onscreen
