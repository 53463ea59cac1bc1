// The message box as the program shows it, answered by the test from inside its modal loop.

#include <platform/messagebox.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void show_failureMessage_standsOnTopWithTheProgramsTitleAndIcon()
    {
        QWidget owner;
        Qt::WindowFlags flags;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            flags = box->windowFlags();
            title = box->windowTitle();
            icon = box->icon();
            box->accept();
        });
        QtMessageBox().show(&owner, QStringLiteral("roll.bmp: not a picture"), QString(),
                            MessageBox::Icon::Critical);
        // Above the control panel, which stays on top.
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QCOMPARE(title, QStringLiteral("ソルベナ"));
        QCOMPARE(icon, QMessageBox::Critical);
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
