// SPDX-License-Identifier: GPL-3.0-or-later
// A box's details unfold on request while it is open: what the notification's "show details"
// does to the completion message that waits for the user.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "platform/qt/QtDialogs.h"

using namespace vm;

class TestDetailsBox : public QObject {
    Q_OBJECT

  private slots:
    void unfoldsTheOpenBoxOnce() {
        QtDialogs dialogs;
        QVERIFY(!dialogs.unfoldDetails());  // no box

        bool unfolded = false;
        bool againLeavesItOpen = false;
        bool plainBox = true;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QTRY_VERIFY(box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            unfolded = dialogs.unfoldDetails() && box->findChild<QTextEdit*>()->isVisible();
            againLeavesItOpen =
                dialogs.unfoldDetails() && box->findChild<QTextEdit*>()->isVisible();
            box->accept();
        });
        dialogs.messageBoxWithDetails("完成", "转换已完成", MsgButtons::Ok, MsgIcon::None,
                                      "/v/a.flv: Error while decoding stream");
        QVERIFY(unfolded);
        QVERIFY(againLeavesItOpen);
        QVERIFY(!dialogs.unfoldDetails());  // closed

        // A box without details is not the one meant.
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget());
            plainBox = dialogs.unfoldDetails();
            QApplication::activeModalWidget()->close();
        });
        dialogs.messageBox("注意", "文件列表为空", MsgButtons::Ok, MsgIcon::Information);
        QVERIFY(!plainBox);
    }
};

QTEST_MAIN(TestDetailsBox)
#include "test_details_box.moc"
