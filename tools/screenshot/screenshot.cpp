// Renders the program's two windows into one PNG, without a display.

#include <app/buswindow.h>
#include <common/executable.h>
#include <common/fonts.h>
#include <common/layout.h>
#include <panel/controlpanel.h>
#include <platform/filedialog.h>
#include <platform/maker/makerlibrary.h>
#include <platform/messagebox.h>
#include <platform/popupmenu.h>
#include <platform/sound/soundplayer.h>
#include <platform/urlopener.h>
#include <signboard/signboard.h>
#include <signs/signrolls.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Answers the file dialog with the next of a list of paths.
class ScriptedDialog : public FileDialog {
public:
    QStringList answers;
    std::optional<QString> openFile(QWidget *) override
    {
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst();
    }
};

class Silent : public MessageBox, public PopupMenu, public SoundPlayer, public UrlOpener {
public:
    void show(QWidget *, const QString &, const QString &, Icon) override {}
    void popup(QMenu &, QPoint) override {}
    void prepare() override {}
    void stop() override {}
    void play(const QByteArray &, bool) override {}
    void open(const QString &) override {}
};

class NoMaker : public MakerLibrary {
public:
    bool homePageUrl(QString *, QString *) override { return false; }
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fonts::installFallbacks();
    fonts::useJapaneseDefaultFont();
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s out.png [roll picture] [signboard picture]\n", argv[0]);
        return 2;
    }
    const QString samples = QCoreApplication::applicationDirPath() + QStringLiteral("/samples/");
    const QString roll =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : samples + QStringLiteral("roll.wmf");
    const QString board =
        argc > 3 ? QString::fromLocal8Bit(argv[3]) : samples + QStringLiteral("wanman.bmp");

    // A folder of its own, so that no settings file is read or written beside the program.
    QTemporaryDir home;
    ScriptedDialog dialog;
    dialog.answers = {roll, board};
    Silent silent;
    NoMaker maker;
    BusWindow form(Services{dialog, silent, silent, silent, silent, maker,
                            Executable{home.path(), QStringLiteral("QT17C0042")}});
    form.show();
    // A double-click on the sign window asks for a roll, as it does for the user.
    QWidget *sign = form.findChild<QWidget *>(QStringLiteral("signWindow_0"));
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(sign, &doubleClick);
    form.findChild<QAction *>(QStringLiteral("chooseSignboardPictureAction"))->trigger();
    form.panel().setRollStep(0, 450);
    for (int i = 0; i < 2; ++i) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(sign, &down);
    }
    // The centre door half open, as an opening leaves it midway.
    const auto *surface =
        form.findChild<WindowlessLayer *>(QStringLiteral("surface"), Qt::FindDirectChildrenOnly);
    for (const char *name : {"centreLeaf_0", "centreLeaf_1"})
        surface->control(QString::fromLatin1(name))->setWidthTwips(475);
    surface->control(QStringLiteral("centreLeaf_1"))->setLeftTwips(layout::kCentreRightPost - 475);

    const QPixmap main = form.grab();
    const QPixmap panel = form.panel().grab();
    // Keep the screen's device pixels (QT_SCALE_FACTOR=2 shows the HiDPI rendering).
    const qreal dpr = main.devicePixelRatio();
    const QSize logical(qMax(form.width(), form.panel().width()),
                        form.height() + form.panel().height());
    QPixmap out(logical * dpr);
    out.setDevicePixelRatio(dpr);
    out.fill(Qt::black);
    QPainter p(&out);
    p.drawPixmap(0, 0, main);
    p.drawPixmap(0, form.height(), panel);
    p.end();
    return out.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
