#include <signs/signrolls.h>

#include <common/layout.h>
#include <picture/picture.h>
#include <platform/filedialog.h>
#include <platform/messagebox.h>

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace {

constexpr std::array<twips::Rect, 2> kSignWindows{layout::kSignWindow, layout::kSecondSignWindow};
constexpr std::array<twips::Rect, 2> kRolls{layout::kRoll, layout::kSecondRoll};
const std::array<QColor, 2> kSignBackgrounds{QColor(255, 255, 255), QColor(0, 0, 255)};

// What a screen reader says of each sign window, in English here and in Japanese through the
// translations ("signs" context), which every desktop not in English loads.
constexpr std::array<const char *, 2> kSignNames{QT_TRANSLATE_NOOP("signs", "Destination sign 1"),
                                                 QT_TRANSLATE_NOOP("signs", "Destination sign 2")};
constexpr char kSignDescription[] = QT_TRANSLATE_NOOP(
    "signs", "Up and Down wind the roll; double-click or drop a picture file to load another roll");

} // namespace

std::int32_t signs::wound(std::int32_t offset, int step, bool up)
{
    const std::int64_t v = static_cast<std::int64_t>(offset) + (up ? step : -std::int64_t(step));
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

SignRolls::SignRolls(QWidget *busWindow, FileDialog &dialog, MessageBox &messageBox)
    : busWindow_(busWindow), dialog_(dialog), messageBox_(messageBox)
{
    for (int i = 0; i < 2; ++i) {
        PictureBox *window = new PictureBox(busWindow, kSignWindows[i], kSignBackgrounds[i]);
        signWindows_[i] = window;
        window->setObjectName(QStringLiteral("signWindow_%1").arg(i));
        window->setAccessibleName(QCoreApplication::translate("signs", kSignNames[i]));
        window->setAccessibleDescription(QCoreApplication::translate("signs", kSignDescription));
        rolls_[i] = std::make_unique<ImageControl>(window->layer(), kRolls[i], false);
        rolls_[i]->setName(QStringLiteral("roll_%1").arg(i));
        // A click on the roll or on the window around it does the same.
        connect(window, &PictureBox::clicked, window, [window] { window->setFocus(); });
        connect(window, &PictureBox::doubleClicked, this, [this, i] { loadRoll(i); });
        connect(window, &PictureBox::keyPressed, this, [this, i](int key) { windRoll(i, key); });
        window->setAcceptsFileDrop(true);
        connect(window, &PictureBox::fileDropped, this,
                [this, i](const QString &path) { loadChosenRoll(i, path); });
    }
    // Only the first sign window is ever seen.
    signWindows_[1]->setVisible(false);
}

SignRolls::~SignRolls() = default;

void SignRolls::windRoll(int sign, int key)
{
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return;
    std::int32_t &top = rollTops_.at(sign);
    top = signs::wound(top, rollSteps_.at(sign), key == Qt::Key_Up);
    rolls_[sign]->setTopTwips(static_cast<float>(top));
}

QString SignRolls::loadRollPicture(int sign, const QString &path)
{
    const picture::Result loaded = picture::load(path, signWindows_.at(sign)->devicePixelRatioF());
    if (!loaded.ok())
        return loaded.error;
    rolls_[sign]->setPicture(loaded.image);
    return {};
}

void SignRolls::loadRoll(int sign)
{
    const std::optional<QString> chosen = dialog_.openFile(busWindow_);
    if (!chosen || chosen->isEmpty())
        return; // cancelled: nothing is stored or loaded
    loadChosenRoll(sign, *chosen);
}

void SignRolls::loadChosenRoll(int sign, const QString &path)
{
    emit rollChosen(sign, path);
    const QString error = loadRollPicture(sign, path);
    if (!error.isEmpty()) {
        messageBox_.show(busWindow_, error, QString(), MessageBox::Icon::None);
        return;
    }
    rollTops_.at(sign) = 0;
    rolls_[sign]->setTopTwips(0);
}
