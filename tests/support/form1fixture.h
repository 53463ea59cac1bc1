#pragma once

// A main window with fake side effects, started as the program starts it, in a folder of its own.

#include <app/form1.h>
#include <common/picturebox.h>
#include <fakes/fakedialogs.h>
#include <fakes/fakemaker.h>
#include <fakes/fakesound.h>
#include <signboard/signboard.h>
#include <support/children.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <memory>
#include <optional>

struct Form1Fixture {
    FakeFileDialog dialog;
    FakeMessageBox messageBox;
    FakePopupMenu popup;
    FakeSoundPlayer sound;
    FakeUrlOpener urlOpener;
    FakeMakerLibrary makerLibrary;
    std::unique_ptr<Form1> form;

    // `place`, when given, is where the settings are read and saved instead of `folder`.
    explicit Form1Fixture(const QString &folder, const QString &name = QStringLiteral("QT17C0042"),
                          bool show = true, std::optional<IniPlace> place = std::nullopt)
    {
        form = std::make_unique<Form1>(Services{dialog, messageBox, popup, sound, urlOpener,
                                                makerLibrary, Executable{folder, name}},
                                       place);
        if (show) {
            form->show();
            [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(form.get());
            form->activateWindow();
            [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(form.get());
        }
    }
};

// Where a picture box is, in twips.
inline twips::Rect rectOf(const PictureBox &box)
{
    return {box.Left(), box.Top(), box.Width(), box.Height()};
}

// The roll in sign window i.
inline ImageControl *rollIn(const QWidget &form, int i)
{
    return control<ImageControl>(*child<PictureBox>(form, QStringLiteral("picWaku1_%1").arg(i)),
                                 QStringLiteral("imgMaku1_%1").arg(i));
}

// Writes a plain picture of the given size and colour; returns its path.
inline QString writePicture(const QString &path, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}
