#pragma once

// Program-wide values that outlive the windows: the roll picture paths, the signboard picture
// path and the sound buffer. They live for the whole run; the settings file saves the paths.

#include <QByteArray>
#include <QString>
#include <array>

namespace Common {

// Full path of the file each sign roll was last loaded from; empty at start.
inline std::array<QString, 2> rollPicturePaths;
// Full path of the file the signboard's picture was last chosen from; a reset keeps it.
inline QString kanbanPicturePath;
// The WAVE resource last played. The sound system reads it while a sound plays, so it is only
// replaced after that sound has been stopped.
inline QByteArray soundBuffer;

// Back to the start-of-run state (tests run several main windows in one process).
inline void reset()
{
    rollPicturePaths = {};
    kanbanPicturePath.clear();
    soundBuffer.clear();
}

} // namespace Common
