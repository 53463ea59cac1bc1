#include <platform/maker/desktopurlopener.h>

#include <QDesktopServices>
#include <QUrl>

void DesktopUrlOpener::open(const QString &address)
{
    // Like the shell's "open", a plain path or a bare host name is accepted as well as a full
    // address. Whether the desktop managed to open it is not reported.
    const QUrl url = QUrl::fromUserInput(address);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}
