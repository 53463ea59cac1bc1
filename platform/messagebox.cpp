#include <platform/messagebox.h>

#include <QMessageBox>

void QtMessageBox::show(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? QStringLiteral("ソルベナ") : title, text, QMessageBox::Ok,
                    parent);
    box.exec();
}
