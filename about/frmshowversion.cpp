#include <about/frmshowversion.h>

#include <about/gothiclabel.h>
#include <common/fonts.h>
#include <common/twips.h>
#include <platform/maker/makerlibrary.h>
#include <platform/messagebox.h>
#include <platform/urlopener.h>
#include <resources/resources.h>

#include <QCoreApplication>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>

namespace {
const char kCaption[] = "ソルベナのバージョン情報";
const float kClientWidth = 4995;
const float kClientHeight = 3345;

const twips::Rect kImage1{285, 165, 480, 480};
const twips::Rect kLabel1[] = {{900, 240, 3840, 330}, {165, 720, 4605, 270}};
const twips::Rect kLabel2{165, 1035, 3225, 225};
const twips::Rect kLabel3[] = {
    {165, 1290, 3225, 240}, {165, 1545, 3225, 240}, {150, 1860, 4650, 885}};
const twips::Rect kLabel4{15, 2835, 4965, 60};
const twips::Rect kLabel5{240, 2985, 3315, 225};
const twips::Rect kCommand1{3570, 2940, 1230, 345};

const qreal kDefaultPoints = 9;
const qreal kTitlePoints = 14.25;
const qreal kModelPoints = 9.75;

const QColor kWhite(255, 255, 255);
const QColor kLabelBack(78, 78, 78);
const QColor kYellow(255, 255, 0);
const QColor kLinkBlue(0, 0, 255);

const char kTitle[] = "ソルベナ";
const char kModelPrefix[] = "型番・製造番号：";
// The space between the word and the number is an ideographic space.
const char kVersion[] = "Varsion\u30001.0.0";
const char kMakerLine[] = "製造元：トワニ　2003年";
const char kContractorLine[] = "開発：ソルベナ制作室　2002-2003年";
const char kLink[] = "ここをクリックするとトワニHPが開きます。";

const char kFailureTitle[] = "Towhpurl.dllのエラー";
const char kFailureRequest[] = " 上記内容をトワニHP関係者まで報告してください。";

// What a screen reader says of the link and the button, in English here and in Japanese through
// the translations ("about" context), which every desktop not in English loads.
const char kLinkName[] = QT_TRANSLATE_NOOP("about", "Maker's home page");
const char kLinkDescription[] =
    QT_TRANSLATE_NOOP("about", "Click to open the maker's home page in the web browser");
const char kOkName[] = QT_TRANSLATE_NOOP("about", "OK");
const char kOkDescription[] = QT_TRANSLATE_NOOP("about", "Closes the version information");

const QSize kIconSize(32, 32);
const QSize kCursorSize(32, 32);

QFont gothic(qreal points, bool bold = false, bool underline = false)
{
    QFont f = fonts::gothic();
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

// The pointing hand; the system's pointing hand while the artwork is missing.
QCursor handCursor()
{
    QPixmap hand(QString::fromLatin1(res::kHandCursor));
    if (hand.isNull())
        return QCursor(Qt::PointingHandCursor);
    if (hand.size() != kCursorSize)
        hand = hand.scaled(kCursorSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QCursor(hand, res::kHandHotX, res::kHandHotY);
}

GothicLabel *label(QWidget *parent, const QString &name, const twips::Rect &design,
                   const QColor &text, const QColor &background, const char *caption = "")
{
    auto *l = new GothicLabel(parent);
    l->setObjectName(name);
    l->setGeometry(twips::toPixels(design));
    l->setTextColor(text);
    l->setBackgroundColor(background);
    l->setText(QString::fromUtf8(caption));
    return l;
}
} // namespace

frmShowVersion::frmShowVersion(MessageBox &messageBox, UrlOpener &urlOpener,
                               MakerLibrary &makerLibrary, const QString &executableName,
                               QWidget *parent)
    // Kept on top as well: the control panel stays above every window and must not hide it.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      messageBox_(messageBox), urlOpener_(urlOpener), makerLibrary_(makerLibrary)
{
    setObjectName(QStringLiteral("frmShowVersion"));
    // Idempotent; the dialog's fonts are right even where start-up has not installed them.
    fonts::installFallbacks();
    setWindowTitle(QString::fromUtf8(kCaption));
    setFixedSize(twips::toPixels(kClientWidth), twips::toPixels(kClientHeight));
    setFont(gothic(kDefaultPoints));
    QPalette p = palette();
    p.setColor(QPalette::Window, kWhite);
    setPalette(p);
    setAutoFillBackground(true);

    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(twips::toPixels(kImage1));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QPixmap icon = QIcon(QString::fromLatin1(res::kIcon)).pixmap(kIconSize);
    if (!icon.isNull())
        image->setPixmap(icon);

    label(this, QStringLiteral("Label1_0"), kLabel1[0], kYellow, kLabelBack, kTitle)
        ->setFont(gothic(kTitlePoints, true));
    GothicLabel *model = label(this, QStringLiteral("Label1_1"), kLabel1[1], kYellow, kLabelBack);
    model->setFont(gothic(kModelPoints, true));
    model->setText(QString::fromUtf8(kModelPrefix) + executableName);
    label(this, QStringLiteral("Label2"), kLabel2, kYellow, kLabelBack, kVersion);
    label(this, QStringLiteral("Label3_0"), kLabel3[0], kWhite, kLabelBack, kMakerLine);
    label(this, QStringLiteral("Label3_1"), kLabel3[1], kWhite, kLabelBack, kContractorLine);
    label(this, QStringLiteral("Label3_2"), kLabel3[2], kWhite, kLabelBack)->hide();

    // The rule: an empty label with a sunken single border in the desktop's face colour.
    GothicLabel *rule =
        label(this, QStringLiteral("Label4"), kLabel4, kWhite, QPalette().color(QPalette::Button));
    rule->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    rule->setLineWidth(1);

    GothicLabel *link = label(this, QStringLiteral("Label5"), kLabel5, kLinkBlue, QColor(), kLink);
    link->setFont(gothic(kDefaultPoints, false, true));
    link->setCursor(handCursor());
    link->setAccessibleName(QCoreApplication::translate("about", kLinkName));
    link->setAccessibleDescription(QCoreApplication::translate("about", kLinkDescription));
    connect(link, &GothicLabel::clicked, this, &frmShowVersion::Label5_Click);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twips::toPixels(kCommand1));
    Command1->setDefault(true);
    Command1->setAccessibleName(QCoreApplication::translate("about", kOkName));
    Command1->setAccessibleDescription(QCoreApplication::translate("about", kOkDescription));
    connect(Command1, &QPushButton::clicked, this, &frmShowVersion::Command1_Click);
    Command1->setFocus();
}

void frmShowVersion::Command1_Click()
{
    hide();
    done(QDialog::Accepted);
}

void frmShowVersion::reject()
{
    Command1->click();
}

void frmShowVersion::Label5_Click()
{
    QString address;
    QString error;
    if (!makerLibrary_.homePageUrl(&address, &error)) {
        messageBox_.show(this,
                         error + QStringLiteral("\r\n\r\n") + QString::fromUtf8(kFailureRequest),
                         QString::fromUtf8(kFailureTitle), MessageBox::Icon::Critical);
        return;
    }
    urlOpener_.open(address);
}

void showVersionDialog(MessageBox &messageBox, UrlOpener &urlOpener, MakerLibrary &makerLibrary,
                       const QString &executableName)
{
    frmShowVersion dialog(messageBox, urlOpener, makerLibrary, executableName);
    dialog.exec();
}
