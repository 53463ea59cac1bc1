#include <platform/messagebox.h>

#include <QMessageBox>

void QtMessageBox::show(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? QStringLiteral("ソルベナ") : title, text, QMessageBox::Ok,
                    parent);
    // The control panel stays above every window; the message must not open under it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}
