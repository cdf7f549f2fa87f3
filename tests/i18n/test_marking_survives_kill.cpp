// SPDX-License-Identifier: GPL-3.0-or-later
// A process killed while it marks packs leaves every pack whole: in its state before or after
// some write, never in between, and nothing extra that would be listed as a pack.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "SystemBackEnds.h"
#include "i18n/LanguagePacks.h"
#include "platform/real/ProfileFormat.h"

using namespace vm;

class TestMarkingSurvivesKill : public QObject {
    Q_OBJECT
  private slots:
    void killedMarkerNeverDamagesAPack();
};

namespace {

QByteArray WithSet(const QByteArray& pack, const char* value) {
    std::string out;
    switch (profile::SetValue(pack.toStdString(), "Info", "Set", value, &out)) {
        case profile::EditResult::Changed:
            return QByteArray::fromStdString(out);
        default:
            return pack;
    }
}

QFileDevice::Permissions ModeOf(const QString& path) {
    return QFile::permissions(path);
}

}  // namespace

void TestMarkingSurvivesKill::killedMarkerNeverDamagesAPack() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + "/";

    // Packs of every shape: line endings, missing Set, GBK, big, read-only.
    QByteArray filler;
    for (int i = 0; i < 6000; ++i) {
        filler += "key" + QByteArray::number(i) + "=some text to make the file longer\r\n";
    }
    const QList<QPair<QString, QByteArray>> packs = {
        {"a.INI", "[Info]\r\nLanguage=Alpha\r\nSet=0\r\nTranslator=T\r\n[Tab]\r\ntab1=x\r\n"},
        {"b.INI", "[Info]\nLanguage=Beta\nTranslator=T\n\n[Tab]\ntab1=x\n"},
        {"c.INI", "[Tab]\rtab1=x\r[Info]\rLanguage=Alpha (UK)\rSet=1"},
        {"d.INI", "[Info]\r\nLanguage=Beta \xBC\xF2\xCC\xE5\r\nSet=0\r\n"},
        {"e.INI", "[Info]\r\nLanguage=Alpha\r\nSet=0\r\n"},
        {"f.INI", "[Info]\r\nLanguage=Beta big\r\nSet=1\r\n[Filler]\r\n" + filler},
        {"g.INI", "no sections at all, Alpha"},
    };
    QHash<QString, QSet<QByteArray>> allowed;
    QHash<QString, QFileDevice::Permissions> modes;
    for (const auto& [name, bytes] : packs) {
        QFile f(folder + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        allowed[name] = {bytes, WithSet(bytes, "0"), WithSet(bytes, "1")};
    }
    QFile::setPermissions(folder + "a.INI",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QFile::setPermissions(folder + "e.INI", QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    allowed["e.INI"] = {packs[4].second};  // read-only: never changes
    for (const auto& [name, bytes] : packs) {
        modes[name] = ModeOf(folder + name);
    }

    SystemFileSystem files;
    const QStringList listed = ListLanguagePacks(files, folder);
    QCOMPARE(listed.size(), packs.size());

    QSet<QByteArray> statesSeen;
    QRandomGenerator random(20240611);
    const int rounds = 150;
    for (int round = 0; round < rounds; ++round) {
        QProcess marker;
        marker.start(QStringLiteral(VM_PACK_MARKER), {dir.path()});
        QVERIFY(marker.waitForStarted());
        QThread::usleep(random.bounded(2000, 40000));
        marker.kill();
        QVERIFY(marker.waitForFinished());
        QCOMPARE(marker.exitStatus(), QProcess::CrashExit);

        QCOMPARE(ListLanguagePacks(files, folder), listed);
        QByteArray state;
        for (const auto& [name, bytes] : packs) {
            QFile f(folder + name);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray now = f.readAll();
            QVERIFY2(allowed[name].contains(now),
                     qPrintable(QString("round %1: %2 is damaged").arg(round).arg(name)));
            QCOMPARE(ModeOf(folder + name), modes[name]);
            const auto set = profile::FindValue(now.toStdString(), "Info", "Set");
            state += set ? QByteArray(set->data(), qsizetype(set->size())) : QByteArray("-");
        }
        statesSeen.insert(state);
    }
    // The kills landed at different moments of the marking.
    QVERIFY(statesSeen.size() > 1);
    const QStringList leftovers =
        QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(QRegularExpression("^\\."));
    qInfo("%d rounds, %lld distinct pack states, %lld temporary files left by kills", rounds,
          qlonglong(statesSeen.size()), qlonglong(leftovers.size()));
}

QTEST_GUILESS_MAIN(TestMarkingSurvivesKill)
#include "test_marking_survives_kill.moc"
