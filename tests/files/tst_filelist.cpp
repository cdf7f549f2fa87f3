// SPDX-License-Identifier: GPL-3.0-or-later
// The file list operations and the output folder choice, without a window.
#include <QTest>

#include "files/FileList.h"
#include "files/OutputFolder.h"
#include "i18n/MessageTable.h"
#include "platform/fake/FakeDialogs.h"

using namespace vm;

namespace {

class PlainList : public FileListView {
  public:
    QStringList entries;
    int selected = -1;

    int count() const override { return int(entries.size()); }
    void append(const QString& path) override { entries.append(path); }
    int selectedIndex() const override { return selected; }
    void removeAt(int index) override {
        entries.removeAt(index);
        selected = -1;
    }
    void clear() override { entries.clear(); }
};

}  // namespace

class TestFileList : public QObject {
    Q_OBJECT
  private slots:
    void dialogAppendsInOrderFromProgramFolder();
    void dropKeepsFlvNamesOnly();
    void deleteRemovesTheSelectedEntryOnce();
    void clearAsksUnlessEmpty();
    void browseAppendsOneSeparator();
};

void TestFileList::dialogAppendsInOrderFromProgramFolder() {
    FakeDialogs dialogs;
    PlainList list;
    list.entries = {"/old.flv"};
    dialogs.setNextFiles({"/v/c.flv", "/v/a.flv"});
    dialogs.setNextFiles({"/v/c.flv"});
    AddFilesFromDialog(list, dialogs, QStringLiteral("/opt/vidmorf/"));
    AddFilesFromDialog(list, dialogs, QStringLiteral("/opt/vidmorf/"));
    AddFilesFromDialog(list, dialogs, QStringLiteral("/opt/vidmorf/"));  // cancelled
    QCOMPARE(list.entries, QStringList({"/old.flv", "/v/c.flv", "/v/a.flv", "/v/c.flv"}));
    QCOMPARE(dialogs.shown.size(), 3);
    QCOMPARE(dialogs.shown[0].startFolder, QStringLiteral("/opt/vidmorf"));

    QCOMPARE(DialogStartFolder(QStringLiteral("/")), QStringLiteral("/"));
    QCOMPARE(DialogStartFolder(QStringLiteral("/a b/")), QStringLiteral("/a b"));
    QVERIFY(dialogs.messages().isEmpty());
}

void TestFileList::dropKeepsFlvNamesOnly() {
    PlainList list;
    AddDroppedFiles(list, {"/v/a.flv", "/v/b.FLV", "/v/c.avi", "/v/folder", "/v/x.Flv", "/v/a.flv",
                           "/v/.flv", "/v/flv", "/v/y.flv.mp4", "/v/z.fLv "});
    QCOMPARE(list.entries,
             QStringList({"/v/a.flv", "/v/b.FLV", "/v/x.Flv", "/v/a.flv", "/v/.flv"}));
}

void TestFileList::deleteRemovesTheSelectedEntryOnce() {
    PlainList list;
    list.entries = {"/a.flv", "/b.flv", "/c.flv"};
    DeleteSelectedFile(list);  // nothing selected
    QCOMPARE(list.count(), 3);
    list.selected = 1;
    DeleteSelectedFile(list);
    DeleteSelectedFile(list);
    QCOMPARE(list.entries, QStringList({"/a.flv", "/c.flv"}));
}

void TestFileList::clearAsksUnlessEmpty() {
    MessageTable messages;
    LoadBuiltInMessages(messages);
    FakeDialogs dialogs;
    PlainList list;

    ClearFileList(list, dialogs, messages);
    QVERIFY(dialogs.shown.isEmpty());

    list.entries = {"/a.flv", "/b.flv"};
    dialogs.setNextAnswer(MsgAnswer::Cancel);
    ClearFileList(list, dialogs, messages);
    QCOMPARE(list.count(), 2);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].title, messages[Message::ConfirmTitle]);
    QCOMPARE(dialogs.shown[0].text, messages[Message::ClearListQuestion]);
    QCOMPARE(dialogs.shown[0].buttons, MsgButtons::OkCancel);
    QCOMPARE(dialogs.shown[0].icon, MsgIcon::Question);

    // The texts in force at the moment of the question are used.
    messages[Message::ConfirmTitle] = QStringLiteral("Confirm");
    dialogs.setNextAnswer(MsgAnswer::Ok);
    ClearFileList(list, dialogs, messages);
    QCOMPARE(list.count(), 0);
    QCOMPARE(dialogs.shown[1].title, QStringLiteral("Confirm"));
}

void TestFileList::browseAppendsOneSeparator() {
    FakeDialogs dialogs;
    dialogs.setNextFolder(QStringLiteral("/srv/out"));
    QCOMPARE(BrowseOutputFolder(dialogs, QStringLiteral("typed")), QStringLiteral("/srv/out/"));
    dialogs.setNextFolder(QStringLiteral("/srv/out/"));
    QCOMPARE(BrowseOutputFolder(dialogs, QString()), QStringLiteral("/srv/out/"));
    dialogs.setNextFolder(QStringLiteral("/"));
    QCOMPARE(BrowseOutputFolder(dialogs, QString()), QStringLiteral("/"));
    QCOMPARE(BrowseOutputFolder(dialogs, QStringLiteral("/typed")), QStringLiteral("/typed"));
    QCOMPARE(dialogs.shown.size(), 4);
}

QTEST_GUILESS_MAIN(TestFileList)
#include "tst_filelist.moc"
