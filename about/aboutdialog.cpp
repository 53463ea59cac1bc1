#include <about/aboutdialog.h>

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

const twips::Rect kIconRect{285, 165, 480, 480};
const twips::Rect kTitleRect{900, 240, 3840, 330};
const twips::Rect kModelRect{165, 720, 4605, 270};
const twips::Rect kVersionRect{165, 1035, 3225, 225};
const twips::Rect kMakerRect{165, 1290, 3225, 240};
const twips::Rect kDeveloperRect{165, 1545, 3225, 240};
const twips::Rect kNoticeRect{150, 1860, 4650, 885};
const twips::Rect kRuleRect{15, 2835, 4965, 60};
const twips::Rect kLinkRect{240, 2985, 3315, 225};
const twips::Rect kOkRect{3570, 2940, 1230, 345};

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
const char kDeveloperLine[] = "開発：ソルベナ制作室　2002-2003年";
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

AboutDialog::AboutDialog(MessageBox &messageBox, UrlOpener &urlOpener, MakerLibrary &makerLibrary,
                         const QString &executableName, QWidget *parent)
    // Kept on top as well: the control panel stays above every window and must not hide it.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      messageBox_(messageBox), urlOpener_(urlOpener), makerLibrary_(makerLibrary)
{
    setObjectName(QStringLiteral("aboutDialog"));
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
    image->setObjectName(QStringLiteral("icon"));
    image->setGeometry(twips::toPixels(kIconRect));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QPixmap icon = QIcon(QString::fromLatin1(res::kIcon)).pixmap(kIconSize);
    if (!icon.isNull())
        image->setPixmap(icon);

    label(this, QStringLiteral("title"), kTitleRect, kYellow, kLabelBack, kTitle)
        ->setFont(gothic(kTitlePoints, true));
    GothicLabel *model =
        label(this, QStringLiteral("modelAndSerial"), kModelRect, kYellow, kLabelBack);
    model->setFont(gothic(kModelPoints, true));
    model->setText(QString::fromUtf8(kModelPrefix) + executableName);
    label(this, QStringLiteral("version"), kVersionRect, kYellow, kLabelBack, kVersion);
    label(this, QStringLiteral("maker"), kMakerRect, kWhite, kLabelBack, kMakerLine);
    label(this, QStringLiteral("developer"), kDeveloperRect, kWhite, kLabelBack, kDeveloperLine);
    // A notice the dialog can hold; empty and hidden.
    label(this, QStringLiteral("notice"), kNoticeRect, kWhite, kLabelBack)->hide();

    // The rule: an empty label with a sunken single border in the desktop's face colour.
    GothicLabel *rule =
        label(this, QStringLiteral("rule"), kRuleRect, kWhite, QPalette().color(QPalette::Button));
    rule->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    rule->setLineWidth(1);

    GothicLabel *link =
        label(this, QStringLiteral("homePageLink"), kLinkRect, kLinkBlue, QColor(), kLink);
    link->setFont(gothic(kDefaultPoints, false, true));
    link->setCursor(handCursor());
    link->setAccessibleName(QCoreApplication::translate("about", kLinkName));
    link->setAccessibleDescription(QCoreApplication::translate("about", kLinkDescription));
    // Tab reaches it, Space or Enter opens the page; the OK button keeps the first focus.
    link->setFocusPolicy(Qt::TabFocus);
    connect(link, &GothicLabel::clicked, this, &AboutDialog::openHomePage);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(twips::toPixels(kOkRect));
    okButton->setDefault(true);
    okButton->setAccessibleName(QCoreApplication::translate("about", kOkName));
    okButton->setAccessibleDescription(QCoreApplication::translate("about", kOkDescription));
    connect(okButton, &QPushButton::clicked, this, &AboutDialog::dismiss);
    okButton->setFocus();
}

void AboutDialog::dismiss()
{
    hide();
    done(QDialog::Accepted);
}

void AboutDialog::reject()
{
    okButton->click();
}

void AboutDialog::openHomePage()
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

void showAboutDialog(MessageBox &messageBox, UrlOpener &urlOpener, MakerLibrary &makerLibrary,
                     const QString &executableName)
{
    AboutDialog dialog(messageBox, urlOpener, makerLibrary, executableName);
    dialog.exec();
}
