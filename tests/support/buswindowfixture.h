#pragma once

// A main window with fake side effects (the sound player may be a real one), started as the
// program starts it, in a folder of its own.

#include <app/buswindow.h>
#include <common/picturebox.h>
#include <fakes/fakedialogs.h>
#include <fakes/fakemaker.h>
#include <fakes/fakesound.h>
#include <settings/settingsfile.h>
#include <signboard/signboard.h>
#include <support/children.h>
#include <support/files.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <memory>
#include <optional>

template <typename Sound> struct BasicBusWindowFixture {
    FakeFileDialog dialog;
    FakeMessageBox messageBox;
    FakePopupMenu popup;
    Sound sound;
    FakeUrlOpener urlOpener;
    FakeMakerLibrary makerLibrary;
    std::unique_ptr<BusWindow> form;

    // `place`, when given, is where the settings are read and saved instead of `folder`.
    explicit BasicBusWindowFixture(const QString &folder,
                                   const QString &name = QStringLiteral("QT17C0042"),
                                   bool show = true,
                                   std::optional<SettingsPlace> place = std::nullopt)
    {
        form = std::make_unique<BusWindow>(Services{dialog, messageBox, popup, sound, urlOpener,
                                                    makerLibrary, Executable{folder, name}},
                                           place);
        if (show)
            showActive(*form);
    }
};
using BusWindowFixture = BasicBusWindowFixture<FakeSoundPlayer>;

// Where a picture box is, in twips.
inline twips::Rect rectOf(const PictureBox &box)
{
    return {box.leftTwips(), box.topTwips(), box.widthTwips(), box.heightTwips()};
}

// The roll in sign window i.
inline ImageControl *rollIn(const QWidget &form, int i)
{
    return control<ImageControl>(*child<PictureBox>(form, QStringLiteral("signWindow_%1").arg(i)),
                                 QStringLiteral("roll_%1").arg(i));
}

// Writes a plain picture of the given size and colour; returns its path.
inline QString writePicture(const QString &path, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

// The settings a settings file holds; the defaults where it cannot be read.
inline Settings iniValuesIn(const QString &path)
{
    QByteArray bytes;
    Settings values;
    if (readSettingsFile(path, &bytes))
        readSettings(bytes, &values);
    return values;
}
