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

SignRolls::SignRolls(QWidget *form, FileDialog &dialog, MessageBox &messageBox,
                     std::function<int(std::int16_t)> step)
    : form_(form), dialog_(dialog), messageBox_(messageBox), step_(std::move(step))
{
    for (std::int16_t i = 0; i < 2; ++i) {
        signWindows_[i] = new PictureBox(form, kSignWindows[i], kSignBackgrounds[i]);
        signWindows_[i]->setObjectName(QStringLiteral("signWindow_%1").arg(i));
        signWindows_[i]->setAccessibleName(QCoreApplication::translate("signs", kSignNames[i]));
        signWindows_[i]->setAccessibleDescription(
            QCoreApplication::translate("signs", kSignDescription));
        rolls_[i] = std::make_unique<ImageControl>(signWindows_[i]->layer(), kRolls[i], false);
        rolls_[i]->setName(QStringLiteral("roll_%1").arg(i));
        // A click on the roll or on the window around it does the same.
        connect(signWindows_[i], &PictureBox::clicked, this, [this, i] { focusSignWindow(i); });
        connect(signWindows_[i], &PictureBox::doubleClicked, this,
                [this, i] { signWindowDoubleClicked(i); });
        connect(signWindows_[i], &PictureBox::keyPressed, this,
                [this, i](int key) { windRoll(i, key); });
        signWindows_[i]->setAcceptsFileDrop(true);
        connect(signWindows_[i], &PictureBox::fileDropped, this,
                [this, i](const QString &path) { loadChosenRoll(i, path); });
    }
    // Only the first sign window is ever seen.
    signWindows_[1]->setVisible(false);
}

SignRolls::~SignRolls() = default;

void SignRolls::focusSignWindow(std::int16_t sign)
{
    signWindows_.at(sign)->setFocus();
}
void SignRolls::signWindowDoubleClicked(std::int16_t sign)
{
    loadRoll(sign);
}

void SignRolls::windRoll(std::int16_t sign, int key)
{
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return;
    std::int32_t &offset = rollTops_.at(sign);
    offset = signs::wound(offset, step_(sign), key == Qt::Key_Up);
    rolls_[sign]->setTopTwips(static_cast<float>(offset));
}

QString SignRolls::loadRollPicture(std::int16_t sign, const QString &path)
{
    const picture::Result loaded = picture::load(path, signWindows_.at(sign)->devicePixelRatioF());
    if (!loaded.ok())
        return loaded.error;
    rolls_[sign]->setPicture(loaded.image);
    return {};
}

void SignRolls::loadRoll(std::int16_t sign)
{
    const std::optional<QString> chosen = dialog_.openFile(form_);
    if (!chosen || chosen->isEmpty())
        return; // cancelled: nothing is stored or loaded
    loadChosenRoll(sign, *chosen);
}

void SignRolls::loadChosenRoll(std::int16_t sign, const QString &path)
{
    // The path is stored before the picture is read, so a rejected file is still remembered
    // and tried again at the next start.
    paths_.at(sign) = path;
    const QString error = loadRollPicture(sign, path);
    if (!error.isEmpty()) {
        messageBox_.show(form_, error, QString(), MessageBox::Icon::None);
        return;
    }
    rollTops_[sign] = 0;
    rolls_[sign]->setTopTwips(0);
}
