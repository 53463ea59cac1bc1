#include <signboard/signboard.h>

#include <picture/picture.h>
#include <platform/filedialog.h>

#include <QAction>
#include <QMouseEvent>
#include <algorithm>

namespace {

constexpr twips::Rect kHome{8910, 1605, 1410, 450};
constexpr std::array<twips::Rect, 3> kWaku{
    {{8835, 1590, 75, 495}, {10320, 1590, 75, 495}, {8835, 2055, 1560, 60}}};
const QColor kWakuFill(224, 224, 224);
const QColor kWakuBorder(128, 128, 128);

// The frame's numbers: side bars stand 75 twips outside the board and reach 15 below it; the
// bottom bar runs under both side bars.
constexpr float kSide = 75.0f;
constexpr float kBelow = 15.0f;
constexpr float kBottomExtra = 150.0f;

// While dragging, keep this much of the board inside the main window so it can be found again.
constexpr int kKeepVisiblePx = 8;

constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;

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
    startLeft_ = Left();
    startTop_ = Top();
}

void SignboardBox::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint delta = event->globalPosition().toPoint() - pressGlobal_;
    float left = startLeft_ + twips::fromPixels(delta.x());
    float top = startTop_ + twips::fromPixels(delta.y());
    if (QWidget *p = parentWidget()) {
        const float minLeft = twips::fromPixels(kKeepVisiblePx) - Width();
        const float minTop = twips::fromPixels(kKeepVisiblePx) - Height();
        const float maxLeft = twips::fromPixels(p->width() - kKeepVisiblePx);
        const float maxTop = twips::fromPixels(p->height() - kKeepVisiblePx);
        left = std::clamp(left, std::min(minLeft, startLeft_), std::max(maxLeft, startLeft_));
        top = std::clamp(top, std::min(minTop, startTop_), std::max(maxTop, startTop_));
    }
    Move(left, top, Width(), Height());
}

void SignboardBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
    PictureBox::mouseReleaseEvent(event);
}

Signboard::Signboard(QWidget *form, WindowlessLayer &surface, QAction &viewKanban,
                     QAction &viewWaku, FileDialog &dialog, std::function<void()> popup)
    : form_(form), dialog_(dialog), popup_(std::move(popup)), MnuViewKanban(viewKanban),
      MnuViewWaku(viewWaku)
{
    PicKanban = new SignboardBox(form, kHome);
    PicKanban->setObjectName(QStringLiteral("PicKanban"));
    for (std::size_t i = 0; i < shpK_Waku.size(); ++i) {
        shpK_Waku[i] = std::make_unique<ShapeControl>(surface, kWaku[i], kWakuFill, kWakuBorder);
        shpK_Waku[i]->setName(QStringLiteral("shpK_Waku_%1").arg(i));
    }

    connect(PicKanban, &PictureBox::mouseDown, this,
            [this](int button) { PicKanban_MouseDown(button); });
    connect(PicKanban, &PictureBox::doubleClicked, this, [this] {
        // The second press of a double-click may start a drag as well.
        PicKanban->beginDrag();
        PicKanban_DblClick();
    });
    connect(PicKanban, &PictureBox::resized, this, [this] { placeFrame(false); });
    PicKanban->setAcceptsFileDrop(true);
    connect(PicKanban, &PictureBox::fileDropped, this,
            [this](const QString &path) { loadChosenPicture(path); });
}

void Signboard::PicKanban_MouseDown(int Button)
{
    if (Button == kLeftButton)
        PicKanban->beginDrag();
    else if (Button == kRightButton)
        popup_();
}

void Signboard::placeFrame(bool fitSides)
{
    // Each bar reads the board's geometry afresh, as separate moves would.
    for (int i = 0; i < 2; ++i) {
        ShapeControl &side = *shpK_Waku[i];
        const float left =
            i == 0 ? PicKanban->Left() - kSide : PicKanban->Left() + PicKanban->Width();
        side.Move(left, PicKanban->Top(), side.Width(),
                  fitSides ? PicKanban->Height() + kBelow : side.Height());
    }
    ShapeControl &bottom = *shpK_Waku[2];
    bottom.Move(PicKanban->Left() - kSide, PicKanban->Top() + PicKanban->Height(),
                PicKanban->Width() + kBottomExtra, bottom.Height());
}

void Signboard::MnuViewKanban_Click()
{
    const bool s = MnuViewKanban.isChecked();
    PicKanban->setVisible(!s);
    MnuViewKanban.setChecked(!s);
}

void Signboard::setShown(bool board, bool frame)
{
    PicKanban->setVisible(board);
    MnuViewKanban.setChecked(board);
    for (const auto &bar : shpK_Waku)
        bar->setVisible(frame);
    MnuViewWaku.setChecked(frame);
}

void Signboard::moveTo(float left, float top)
{
    PicKanban->Move(left, top, PicKanban->Width(), PicKanban->Height());
}

void Signboard::MnuViewWaku_Click()
{
    const bool s = MnuViewWaku.isChecked();
    for (const auto &bar : shpK_Waku)
        bar->setVisible(!s);
    PicKanban_DblClick();
    MnuViewWaku.setChecked(!s);
}

QString Signboard::loadPicture(const QString &path)
{
    const picture::Result loaded = picture::load(path, PicKanban->devicePixelRatioF());
    if (!loaded.ok())
        return loaded.error;
    PicKanban->setPicture(loaded.image);
    return {};
}

void Signboard::MnuSetKanban_Click()
{
    // Every failure here ends the command silently and changes nothing.
    const std::optional<QString> chosen = dialog_.openFile(form_);
    if (!chosen || chosen->isEmpty())
        return;
    loadChosenPicture(*chosen);
}

void Signboard::loadChosenPicture(const QString &path)
{
    if (!loadPicture(path).isEmpty())
        return;
    picturePath_ = path;
    PicKanban_DblClick();
}

void Signboard::MnuKanbanReset_Click()
{
    PicKanban->setPicture(QImage());
    PicKanban->Move(kHome.left, kHome.top, kHome.width, kHome.height);
    PicKanban_DblClick();
}
