#include <signboard/signboard.h>

#include <common/layout.h>
#include <picture/picture.h>
#include <platform/filedialog.h>

#include <QAction>
#include <QMouseEvent>
#include <algorithm>

namespace {

constexpr twips::Rect kHome = layout::kSignboard;
constexpr std::array<twips::Rect, 3> kFrame{
    layout::kSignboardFrameLeft, layout::kSignboardFrameRight, layout::kSignboardFrameBottom};
const QColor kFrameFill(224, 224, 224);
const QColor kFrameBorder(128, 128, 128);

// The frame's numbers: side bars stand 75 twips outside the board and reach 15 below it; the
// bottom bar runs under both side bars.
constexpr float kSide = 75.0f;
constexpr float kBelow = 15.0f;
constexpr float kBottomExtra = 150.0f;

// While dragging, keep this much of the board inside the main window so it can be found again.
constexpr int kKeepVisiblePx = 8;

} // namespace

SignboardBox::SignboardBox(QWidget *parent, const twips::Rect &home)
    : PictureBox(parent, home, QColor(255, 255, 255))
{
    setAutoSize(true);
}

void SignboardBox::mousePressEvent(QMouseEvent *event)
{
    lastPressGlobal_ = event->globalPosition().toPoint();
    PictureBox::mousePressEvent(event);
}

void SignboardBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    lastPressGlobal_ = event->globalPosition().toPoint();
    PictureBox::mouseDoubleClickEvent(event);
}

void SignboardBox::beginDrag()
{
    dragging_ = true;
    pressGlobal_ = lastPressGlobal_;
    startLeft_ = leftTwips();
    startTop_ = topTwips();
}

void SignboardBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint delta = event->globalPosition().toPoint() - pressGlobal_;
    float left = startLeft_ + twips::fromPixels(delta.x());
    float top = startTop_ + twips::fromPixels(delta.y());
    if (QWidget *p = parentWidget()) {
        const float minLeft = twips::fromPixels(kKeepVisiblePx) - widthTwips();
        const float minTop = twips::fromPixels(kKeepVisiblePx) - heightTwips();
        const float maxLeft = twips::fromPixels(p->width() - kKeepVisiblePx);
        const float maxTop = twips::fromPixels(p->height() - kKeepVisiblePx);
        left = std::clamp(left, std::min(minLeft, startLeft_), std::max(maxLeft, startLeft_));
        top = std::clamp(top, std::min(minTop, startTop_), std::max(maxTop, startTop_));
    }
    moveTwips(left, top, widthTwips(), heightTwips());
}

void SignboardBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    PictureBox::mouseReleaseEvent(event);
}

Signboard::Signboard(QWidget *busWindow, WindowlessLayer &surface, FileDialog &dialog)
    : busWindow_(busWindow), dialog_(dialog)
{
    board_ = new SignboardBox(busWindow, kHome);
    board_->setObjectName(QStringLiteral("signboard"));
    for (std::size_t i = 0; i < frame_.size(); ++i) {
        frame_[i] = std::make_unique<ShapeControl>(surface, kFrame[i], kFrameFill, kFrameBorder);
        frame_[i]->setName(QStringLiteral("signboardFrame_%1").arg(i));
    }

    // Children of the board, so that they are found among the bus window's children.
    const auto action = [this](const QString &text, const char *name) {
        auto *a = new QAction(text, board_);
        a->setObjectName(QLatin1StringView(name));
        return a;
    };
    showSignboardAction_ = action(QStringLiteral("看板の表示"), "showSignboardAction");
    showFrameAction_ = action(QStringLiteral("枠の表示"), "showFrameAction");
    chooseSignboardPictureAction_ =
        action(QStringLiteral("看板の画像を設定..."), "chooseSignboardPictureAction");
    separator_ = action(QString(), "popupMenuSeparator");
    separator_->setSeparator(true);
    resetSignboardAction_ = action(QStringLiteral("看板のリセット"), "resetSignboardAction");
    // The handlers decide the check marks themselves, so Qt's own toggle is undone first.
    const auto connectView = [this](QAction *view, void (Signboard::*handler)()) {
        view->setCheckable(true);
        view->setChecked(true);
        connect(view, &QAction::triggered, this, [this, view, handler] {
            view->setChecked(!view->isChecked());
            (this->*handler)();
        });
    };
    connectView(showSignboardAction_, &Signboard::toggleSignboard);
    connectView(showFrameAction_, &Signboard::toggleFrame);
    connect(chooseSignboardPictureAction_, &QAction::triggered, this,
            &Signboard::chooseSignboardPicture);
    connect(resetSignboardAction_, &QAction::triggered, this, &Signboard::resetSignboard);

    connect(board_, &PictureBox::pressed, this,
            [this](Qt::MouseButton button) { signboardPressed(button); });
    connect(board_, &PictureBox::doubleClicked, this, [this] {
        // The second press of a double-click may start a drag as well.
        board_->beginDrag();
        fitFrameToSignboard();
    });
    connect(board_, &PictureBox::resized, this, [this] { placeFrame(false); });
    board_->setAcceptsFileDrop(true);
    connect(board_, &PictureBox::fileDropped, this,
            [this](const QString &path) { loadChosenPicture(path); });
}

QList<QAction *> Signboard::menuActions() const
{
    return {showSignboardAction_, showFrameAction_, chooseSignboardPictureAction_, separator_,
            resetSignboardAction_};
}

void Signboard::signboardPressed(Qt::MouseButton button)
{
    if (button == Qt::LeftButton)
        board_->beginDrag();
    else if (button == Qt::RightButton)
        emit popupMenuRequested();
}

void Signboard::placeFrame(bool fitSides)
{
    // Each bar reads the board's geometry afresh, as separate moves would.
    for (int i = 0; i < 2; ++i) {
        ShapeControl &side = *frame_[i];
        const float left =
            i == 0 ? board_->leftTwips() - kSide : board_->leftTwips() + board_->widthTwips();
        side.moveTwips(left, board_->topTwips(), side.widthTwips(),
                       fitSides ? board_->heightTwips() + kBelow : side.heightTwips());
    }
    ShapeControl &bottom = *frame_[2];
    bottom.moveTwips(board_->leftTwips() - kSide, board_->topTwips() + board_->heightTwips(),
                     board_->widthTwips() + kBottomExtra, bottom.heightTwips());
}

void Signboard::toggleSignboard()
{
    const bool s = showSignboardAction_->isChecked();
    board_->setVisible(!s);
    showSignboardAction_->setChecked(!s);
    emit shownChanged(!s, showFrameAction_->isChecked());
}

void Signboard::setShown(bool board, bool frame)
{
    board_->setVisible(board);
    showSignboardAction_->setChecked(board);
    for (const auto &bar : frame_)
        bar->setVisible(frame);
    showFrameAction_->setChecked(frame);
}

void Signboard::moveTo(float left, float top)
{
    board_->moveTwips(left, top, board_->widthTwips(), board_->heightTwips());
}

void Signboard::toggleFrame()
{
    const bool s = showFrameAction_->isChecked();
    for (const auto &bar : frame_)
        bar->setVisible(!s);
    fitFrameToSignboard();
    showFrameAction_->setChecked(!s);
    emit shownChanged(showSignboardAction_->isChecked(), !s);
}

QString Signboard::loadPicture(const QString &path)
{
    const picture::Result loaded = picture::load(path, board_->devicePixelRatioF());
    if (!loaded.ok())
        return loaded.error;
    board_->setPicture(loaded.image);
    return {};
}

void Signboard::chooseSignboardPicture()
{
    // Every failure here ends the command silently and changes nothing.
    const std::optional<QString> chosen = dialog_.openFile(busWindow_);
    if (!chosen || chosen->isEmpty())
        return;
    loadChosenPicture(*chosen);
}

void Signboard::loadChosenPicture(const QString &path)
{
    if (!loadPicture(path).isEmpty())
        return;
    fitFrameToSignboard();
    emit pictureChosen(path);
}

void Signboard::resetSignboard()
{
    board_->setPicture(QImage());
    board_->moveTwips(kHome.left, kHome.top, kHome.width, kHome.height);
    fitFrameToSignboard();
}
