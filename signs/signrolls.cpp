#include <signs/signrolls.h>

#include <picture/picture.h>
#include <platform/filedialog.h>
#include <platform/messagebox.h>

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace {

constexpr std::array<twips::Rect, 2> kWaku{{{6825, 435, 720, 450}, {6690, 1650, 780, 540}}};
constexpr std::array<twips::Rect, 2> kMaku{{{0, 0, 720, 3750}, {-30, 30, 735, 3750}}};
const std::array<QColor, 2> kWakuBackground{QColor(255, 255, 255), QColor(0, 0, 255)};

// What a screen reader says of each sign window, in English here and in Japanese through the
// translations ("signs" context), which every desktop not in English loads.
constexpr std::array<const char *, 2> kSignNames{QT_TRANSLATE_NOOP("signs", "Destination sign 1"),
                                                 QT_TRANSLATE_NOOP("signs", "Destination sign 2")};
constexpr char kSignDescription[] = QT_TRANSLATE_NOOP(
    "signs", "Up and Down wind the roll; double-click or drop a picture file to load another roll");

constexpr int kKeyUp = 38;
constexpr int kKeyDown = 40;

} // namespace

std::int32_t signs::wound(std::int32_t offset, int step, bool up)
{
    const std::int64_t v = static_cast<std::int64_t>(offset) + (up ? step : -std::int64_t(step));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

SignRolls::SignRolls(QWidget *form, FileDialog &dialog, MessageBox &messageBox,
                     std::function<int(std::int16_t)> step)
    : form_(form), dialog_(dialog), messageBox_(messageBox), step_(std::move(step))
{
    for (std::int16_t i = 0; i < 2; ++i) {
        picWaku1[i] = new PictureBox(form, kWaku[i], kWakuBackground[i]);
        picWaku1[i]->setObjectName(QStringLiteral("picWaku1_%1").arg(i));
        picWaku1[i]->setAccessibleName(QCoreApplication::translate("signs", kSignNames[i]));
        picWaku1[i]->setAccessibleDescription(
            QCoreApplication::translate("signs", kSignDescription));
        imgMaku1[i] = std::make_unique<ImageControl>(picWaku1[i]->layer(), kMaku[i], false);
        imgMaku1[i]->setName(QStringLiteral("imgMaku1_%1").arg(i));
        // A click on the roll or on the window around it does the same.
        connect(picWaku1[i], &PictureBox::clicked, this, [this, i] { picWaku1_Click(i); });
        connect(picWaku1[i], &PictureBox::doubleClicked, this, [this, i] { picWaku1_DblClick(i); });
        connect(picWaku1[i], &PictureBox::keyDown, this,
                [this, i](int key, int shift) { picWaku1_KeyDown(i, key, shift); });
        picWaku1[i]->setAcceptsFileDrop(true);
        connect(picWaku1[i], &PictureBox::fileDropped, this,
                [this, i](const QString &path) { loadChosenRoll(i, path); });
    }
    // Only the first sign window is ever seen.
    picWaku1[1]->setVisible(false);
}

SignRolls::~SignRolls() = default;

void SignRolls::picWaku1_Click(std::int16_t Index)
{
    picWaku1.at(Index)->setFocus();
}
void SignRolls::picWaku1_DblClick(std::int16_t Index)
{
    Load方向幕(Index);
}

void SignRolls::picWaku1_KeyDown(std::int16_t Index, int KeyCode, int /*Shift*/)
{
    if (KeyCode != kKeyUp && KeyCode != kKeyDown)
        return;
    std::int32_t &offset = offsets.at(Index);
    offset = signs::wound(offset, step_(Index), KeyCode == kKeyUp);
    imgMaku1[Index]->setTop(static_cast<float>(offset));
}

QString SignRolls::loadRollPicture(std::int16_t Index, const QString &path)
{
    const picture::Result loaded = picture::load(path, picWaku1.at(Index)->devicePixelRatioF());
    if (!loaded.ok())
        return loaded.error;
    imgMaku1[Index]->setPicture(loaded.image);
    return {};
}

void SignRolls::Load方向幕(std::int16_t Index)
{
    const std::optional<QString> chosen = dialog_.openFile(form_);
    if (!chosen || chosen->isEmpty())
        return; // cancelled: nothing is stored or loaded
    loadChosenRoll(Index, *chosen);
}

void SignRolls::loadChosenRoll(std::int16_t Index, const QString &path)
{
    // The path is stored before the picture is read, so a rejected file is still remembered
    // and tried again at the next start.
    paths_.at(Index) = path;
    const QString error = loadRollPicture(Index, path);
    if (!error.isEmpty()) {
        messageBox_.show(form_, error, QString(), MessageBox::Icon::None);
        return;
    }
    offsets[Index] = 0;
    imgMaku1[Index]->setTop(0);
}
