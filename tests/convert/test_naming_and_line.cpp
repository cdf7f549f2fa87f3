// SPDX-License-Identifier: GPL-3.0-or-later
// Where each target goes, and the encoder line that is run for it.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "RunSupport.h"
#include "convert/EncoderCommand.h"
#include "convert/TargetNaming.h"
#include "i18n/MessageTable.h"
#include "platform/fake/FakeDialogs.h"

using namespace vm;
using namespace vm::test;

namespace {

MessageTable builtIn() {
    MessageTable m;
    LoadBuiltInMessages(m);
    return m;
}

ConversionSettings into(const QString& folder, ConflictPolicy policy,
                        OutputFormat format = OutputFormat::Avi) {
    ConversionSettings s;
    s.outputFolder = folder;
    s.policy = policy;
    s.format = format;
    return s;
}

}  // namespace

class TestNamingAndLine : public QObject {
    Q_OBJECT
    MessageTable messages_ = builtIn();

  private slots:
    void namesFromTheSource() {
        QCOMPARE(BaseName("/v/talk.flv"), QString("talk"));
        QCOMPARE(BaseName("/v/a.b.flv"), QString("a.b"));
        QCOMPARE(BaseName("/v/clip.mpeg"), QString("clip."));  // always four characters
        QCOMPARE(BaseName("no-folder.flv"), QString("no-folder"));
        QCOMPARE(BaseName("/v/ab"), QString());
        QCOMPARE(ExtensionOf(OutputFormat::Avi), QString(".avi"));
        QCOMPARE(ExtensionOf(OutputFormat::Wmv), QString(".wmv"));
        QCOMPARE(ExtensionOf(OutputFormat::Mp3), QString(".mp3"));
        QCOMPARE(RenamedTarget("/o/clip.avi"), QString("/o/clip_new.avi"));
        QCOMPARE(RenamedTarget("/o.d/a.b.mp3"), QString("/o.d/a.b_new.mp3"));
    }

    void outputFolderCheck() {
        SystemFileSystem fs;
        QTemporaryDir dir;
        {
            FakeDialogs d;
            QVERIFY(!CheckOutputFolder("", fs, d, messages_, kBuiltInLegacyEncoding));
            QCOMPARE(d.shown.size(), 1);
            QCOMPARE(d.shown[0].title, messages_[Message::AttentionTitle]);
            QCOMPARE(d.shown[0].text, messages_[Message::NoOutputFolder]);
            QCOMPARE(d.shown[0].icon, MsgIcon::Information);
        }
        {
            FakeDialogs d;  // blanks are a name like any other: asked about, not refused
            d.setNextAnswer(MsgAnswer::Cancel);
            QVERIFY(!CheckOutputFolder("   ", fs, d, messages_, kBuiltInLegacyEncoding));
            QCOMPARE(d.shown.size(), 1);
            QCOMPARE(d.shown[0].text, messages_[Message::CreateOutputFolder]);
            QCOMPARE(d.shown[0].buttons, MsgButtons::OkCancel);
            QVERIFY(!QFileInfo::exists("   "));
        }
        {
            FakeDialogs d;
            d.setNextAnswer(MsgAnswer::Ok);
            QVERIFY(
                CheckOutputFolder(dir.filePath("new"), fs, d, messages_, kBuiltInLegacyEncoding));
            QVERIFY(QFileInfo(dir.filePath("new")).isDir());
            QVERIFY(CheckOutputFolder(dir.filePath("new"), fs, d, messages_,
                                      kBuiltInLegacyEncoding));  // no new box
            QCOMPARE(d.shown.size(), 1);
            WriteFile(dir.filePath("a-file"), "x");
            QVERIFY(CheckOutputFolder(dir.filePath("a-file"), fs, d, messages_,
                                      kBuiltInLegacyEncoding));
        }
        {
            FakeDialogs d;  // cannot be made: said so, and the run does not start
            d.setNextAnswer(MsgAnswer::Ok);
            const QString deep = dir.filePath("missing/parent");
            QVERIFY(!CheckOutputFolder(deep, fs, d, messages_, kBuiltInLegacyEncoding));
            QCOMPARE(d.shown.size(), 2);
            QCOMPARE(d.shown[1].title, messages_[Message::Error]);
            QVERIFY(d.shown[1].text.startsWith(Shown(deep) + "\r"));
            QVERIFY(d.shown[1].text.size() > deep.size() + 1);
        }
    }

    void freeAndConflictingTargets() {
        SystemFileSystem fs;
        FakeDialogs d;
        QTemporaryDir out;
        const QString o = out.path();
        auto resolve = [&](const QString& src, const ConversionSettings& s) {
            return ResolveTargetPath(src, s, {src}, fs, d, messages_);
        };
        QCOMPARE(resolve("/v/talk.flv", into(o, ConflictPolicy::Skip)).path, o + "/talk.avi");
        QCOMPARE(resolve("/v/talk.flv", into(o + "/", ConflictPolicy::Skip)).path, o + "/talk.avi");
        QCOMPARE(resolve("/v/a.b.flv", into(o, ConflictPolicy::Skip, OutputFormat::Mp3)).path,
                 o + "/a.b.mp3");
        QVERIFY(QDir(o).mkdir("dir.wmv"));  // a folder of that name is no conflict
        const TargetChoice dirName =
            resolve("/v/dir.flv", into(o, ConflictPolicy::Skip, OutputFormat::Wmv));
        QCOMPARE(dirName.state, FileState::Named);

        WriteFile(o + "/clip.avi", "old");
        WriteFile(o + "/clip_new.avi", "old");
        const TargetChoice renamed =
            resolve("/v/clip.flv", into(o, ConflictPolicy::RenameAutomatically));
        QCOMPARE(renamed.state, FileState::Named);
        QCOMPARE(renamed.path, o + "/clip_new_new.avi");

        const TargetChoice skipped = resolve("/v/clip.flv", into(o, ConflictPolicy::Skip));
        QCOMPARE(skipped.state, FileState::Skipped);
        QCOMPARE(ReadFile(o + "/clip.avi"), QByteArray("old"));

        const TargetChoice overwritten = resolve("/v/clip.flv", into(o, ConflictPolicy::Overwrite));
        QCOMPARE(overwritten.path, o + "/clip.avi");
        // Kept until the encoder puts a complete file in its place.
        QCOMPARE(ReadFile(o + "/clip.avi"), QByteArray("old"));
        QCOMPARE(d.shown.size(), 0);
    }

    void askForNameUntilTheNameIsFree() {
        SystemFileSystem fs;
        FakeDialogs d;
        QTemporaryDir out;
        const QString o = out.path();
        WriteFile(o + "/clip.avi", "old");
        WriteFile(o + "/taken.avi", "old");
        d.setNextInput("");       // Cancel: asked again
        d.setNextInput("taken");  // exists too: asked again
        d.setNextInput("fresh");
        const TargetChoice c = ResolveTargetPath("/v/clip.flv", into(o, ConflictPolicy::AskForName),
                                                 {}, fs, d, messages_);
        QCOMPARE(c.path, o + "/fresh.avi");
        QCOMPARE(d.shown.size(), 3);
        for (const auto& s : d.shown) {
            QCOMPARE(s.kind, FakeDialogs::Kind::Input);
            QCOMPARE(s.title, messages_[Message::RenameTitle]);
            QCOMPARE(s.text, messages_[Message::TargetExists]);
        }
        d.setNextInput("x.avi");  // taken as typed
        QCOMPARE(ResolveTargetPath("/v/clip.flv", into(o, ConflictPolicy::AskForName), {}, fs, d,
                                   messages_)
                     .path,
                 o + "/x.avi.avi");
    }

    // A source is never deleted to make room for its own output or another's.
    void overwriteNeverDeletesASource() {
        SystemFileSystem fs;
        FakeDialogs d;
        QTemporaryDir dir;
        const QString self = dir.filePath("song.mp3");
        WriteFile(self, "the source");
        const TargetChoice c =
            ResolveTargetPath(self, into(dir.path(), ConflictPolicy::Overwrite, OutputFormat::Mp3),
                              {self}, fs, d, messages_);
        QCOMPARE(c.state, FileState::Named);
        QCOMPARE(c.path, dir.filePath("song_new.mp3"));
        QCOMPARE(ReadFile(self), QByteArray("the source"));

        // Another source of the run, spelled differently.
        QVERIFY(QDir(dir.path()).mkdir("out"));
        const QString later = dir.filePath("out/clip.avi");
        WriteFile(later, "a later source");
        const TargetChoice other = ResolveTargetPath(
            "/v/clip.flv", into(dir.filePath("out"), ConflictPolicy::Overwrite),
            {"/v/clip.flv", dir.path() + "/./out/../out/clip.avi"}, fs, d, messages_);
        QCOMPARE(other.path, dir.filePath("out/clip_new.avi"));
        QCOMPARE(ReadFile(later), QByteArray("a later source"));

        // A target that cannot be deleted is an error of that file, with the reason.
        FailingFileSystem failing;
        WriteFile(dir.filePath("out/stuck.avi"), "x");
        failing.undeletable.insert(dir.filePath("out/stuck.avi"));
        const TargetChoice stuck =
            ResolveTargetPath("/v/stuck.flv", into(dir.filePath("out"), ConflictPolicy::Overwrite),
                              {}, failing, d, messages_);
        QCOMPARE(stuck.state, FileState::Failed);
        QCOMPARE(stuck.path, dir.filePath("out/stuck.avi"));
        QCOMPARE(stuck.error, QString("Operation not permitted"));
    }

    // Names the run has given to files still being written count as taken under every
    // policy, though nothing is on disk yet; and such a file is never deleted to overwrite it.
    void namesGivenInTheRunAreTaken() {
        SystemFileSystem fs;
        FakeDialogs d;
        QTemporaryDir out;
        const QString o = out.path();
        const QSet<QString> taken = {o + "/clip.avi", o + "/clip_new.avi"};
        auto resolve = [&](ConflictPolicy policy) {
            return ResolveTargetPath("/w/clip.flv", into(o, policy), {"/w/clip.flv"}, fs, d,
                                     messages_, taken);
        };
        QCOMPARE(resolve(ConflictPolicy::RenameAutomatically).path, o + "/clip_new_new.avi");
        QCOMPARE(resolve(ConflictPolicy::Skip).state, FileState::Skipped);
        WriteFile(o + "/clip.avi", "being written");
        QCOMPARE(resolve(ConflictPolicy::Overwrite).path, o + "/clip_new_new.avi");
        QCOMPARE(ReadFile(o + "/clip.avi"), QByteArray("being written"));
    }

    void theEncoderLine() {
        ConversionSettings s;
        QCOMPARE(BuildEncoderCommandLine("P/", "T/", "/clips/talk.flv", "/out/talk.avi", s),
                 ScriptPath("P/coder.dll") + " -i " + ScriptPath("/clips/talk.flv") +
                     " -b 360 -r 29.97 -s 320x240 -hq -deinterlace -y -ab 56 -ar 22050 -ac 2 " +
                     ScriptPath("/out/talk.avi") + " " + ScriptErrorTo("T/tmp"));
        s.channelIndex = 1;
        s.frameSize = "352x288";
        s.format = OutputFormat::Mp3;  // the same switches; only the target tells the format
        QCOMPARE(BuildEncoderCommandLine("P/", "T/", "/c/a.flv", "/o/a.mp3", s),
                 ScriptPath("P/coder.dll") + " -i " + ScriptPath("/c/a.flv") +
                     " -b 360 -r 29.97 -s 352x288 -hq -deinterlace -y -ab 56 -ar 22050 -ac 1 " +
                     ScriptPath("/o/a.mp3") + " " + ScriptErrorTo("T/tmp"));
        s.channelIndex = -1;
        QVERIFY(BuildEncoderCommandLine("P/", "T/", "a", "b", s).contains(" -ac 1 "));
    }
};

QTEST_GUILESS_MAIN(TestNamingAndLine)
#include "test_naming_and_line.moc"
