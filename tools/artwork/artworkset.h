#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace artwork {

struct Output {
    QString name; // file name under resources/pictures
    QByteArray bytes;
};

// Every picture the program carries, encoded, in a fixed order. The same bytes on every run
// on one machine; another CPU's anti-aliasing may differ slightly (see samedrawing.h).
std::vector<Output> generateArtwork();

// The desktop icon at each size of kAppIconSizes, as "<size>.png". Installed, not embedded.
std::vector<Output> generateAppIcons();

// The bus as the main window shows it: cut to the client width, with the door pictures
// stretched over the doorways (closed or fully open), the blank sign window and the empty
// signboard in its frame. For looking at, not for the program.
QImage composeWindow(bool doorsOpen);

} // namespace artwork
