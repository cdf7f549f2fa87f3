// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QSet>
#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "platform/Processes.h"
#include "platform/ProfileFiles.h"
#include "platform/fake/FakeBrowser.h"
#include "platform/fake/FakeDialogs.h"
#include "platform/fake/FakeLinks.h"

namespace vm::test {

// Ordinary files and folders held in memory; enough for start-up and the pack code.
class MemoryFileSystem : public FileSystem {
  public:
    void addFile(const QString& path) { files_.insert(path); }
    void addDir(const QString& path) { dirs_.insert(path); }

    bool exists(const QString& path) const override { return isFile(path) || isDir(path); }
    bool isFile(const QString& path) const override { return files_.contains(path); }
    bool isDir(const QString& path) const override {
        return dirs_.contains(path) || dirs_.contains(path + QLatin1Char('/'));
    }
    qint64 fileSize(const QString& path) const override { return isFile(path) ? 0 : -1; }
    bool sameFile(const QString& a, const QString& b) const override { return a == b && isFile(a); }
    QString fileIdentity(const QString& path) const override {
        return isFile(path) ? path : QString();
    }
    QString nameProblem(const QString&) const override { return {}; }
    QString removeFile(const QString& path) override {
        files_.remove(path);
        return {};
    }
    QString makeDir(const QString& path) override {
        dirs_.insert(path);
        return {};
    }
    QString removeEmptyDir(const QString& path) override {
        dirs_.remove(path);
        return {};
    }
    QString writeFile(const QString& path, const QByteArray&) override {
        files_.insert(path);
        return {};
    }
    QByteArray readFrom(const QString&, qint64, bool* ok) const override {
        if (ok) {
            *ok = false;
        }
        return {};
    }
    QStringList listFiles(const QString& folder) const override {
        QString prefix = folder;
        if (!prefix.endsWith(QLatin1Char('/'))) {
            prefix += QLatin1Char('/');
        }
        QStringList names;
        for (const QString& path : files_) {
            if (path.startsWith(prefix) && !path.mid(prefix.size()).contains(QLatin1Char('/'))) {
                names.append(path.mid(prefix.size()));
            }
        }
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        return names;
    }
    QStringList listFolders(const QString&) const override { return {}; }
    QString makePrivateTempFolder(QString* error) override {
        if (error) {
            error->clear();
        }
        return QStringLiteral("/tmp/vm-test/");
    }

  private:
    QSet<QString> files_;
    QSet<QString> dirs_;
};

// Profile values in memory: section and key names without regard to case.
class MemoryProfiles : public ProfileFiles {
  public:
    void set(const QString& file, const QString& section, const QString& key,
             const QString& value) {
        values_[id(file, section, key)] = value;
    }
    QString get(const QString& file, const QString& section, const QString& key) const {
        return values_.value(id(file, section, key));
    }
    QString readString(const QString& file, const QString& section, const QString& key,
                       const QString& fallback) const override {
        const auto found = values_.constFind(id(file, section, key));
        return found == values_.constEnd() ? fallback : *found;
    }
    void writeString(const QString& file, const QString& section, const QString& key,
                     const QString& value) override {
        set(file, section, key, value);
    }

  private:
    static QString id(const QString& file, const QString& section, const QString& key) {
        return file + QLatin1Char('\n') + section.toLower() + QLatin1Char('\n') + key.toLower();
    }
    QMap<QString, QString> values_;
};

// A job that runs until the test ends it.
class ManualProcesses : public Processes {
  public:
    qint64 startScript(const QString&, QString*) override {
        running_ = true;
        return 42;
    }
    bool isRunning(qint64) const override { return running_; }
    int exitCode(qint64) const override { return 0; }
    void onFinished(qint64, std::function<void()> handler) override {
        finished_ = std::move(handler);
    }
    void release(qint64) override {}
    bool killInJob(qint64, const QString&) override { return false; }
    bool terminateJob(qint64) override { return false; }
    QString heldFileIdentity(qint64, const QString&) const override { return {}; }

    void finish() {
        running_ = false;
        if (finished_) {
            auto handler = std::move(finished_);
            handler();
        }
    }

  private:
    bool running_ = false;
    std::function<void()> finished_;
};

// Where the windows under test believe they are installed.
inline const QString kFolder = QStringLiteral("/opt/vidmorf/");

// A stand-in for every outside effect, ready to hand to a window.
struct MemoryPlatform {
    MemoryFileSystem files;
    ManualProcesses processes;
    FakeDialogs dialogs;
    FakeLinks links;
    FakeBrowser browser;
    MemoryProfiles profiles;

    Platform platform() { return Platform{files, processes, dialogs, links, browser, profiles}; }
};

}  // namespace vm::test
