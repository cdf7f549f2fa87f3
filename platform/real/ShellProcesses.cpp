// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellProcesses.h"

#include "FileIdentity.h"
#include "JobGuard.h"
#include "ProcStat.h"
#include "platform/paths/PathBytes.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QTimer>

namespace vm {

namespace {

constexpr int kCommLength = 15;  // the kernel keeps at most this many bytes of a name

// Members of the group, in increasing order, whose name passes `wanted`.
template <typename Wanted>
QList<qint64> scanGroup(qint64 pgid, Wanted wanted) {
    QList<qint64> found;
    if (pgid <= 0) {
        return found;
    }
    for (const pid_t pid : ProcessIds()) {
        const std::optional<ProcStat> stat = ReadProcStat(pid);
        if (stat && stat->group == pgid &&
            wanted(QByteArray(stat->name.data(), qsizetype(stat->name.size())))) {
            found.append(pid);
        }
    }
    return found;
}

}  // namespace

QList<qint64> ProcessGroupMembers(qint64 pgid) {
    return scanGroup(pgid, [](const QByteArray&) { return true; });
}

QList<qint64> FindInProcessGroup(qint64 pgid, const QString& upperName) {
    const QString wanted = QString::fromUtf8(upperName.toUtf8().left(kCommLength));
    return scanGroup(
        pgid, [&](const QByteArray& comm) { return QString::fromUtf8(comm).toUpper() == wanted; });
}

ShellProcesses::ShellProcesses() = default;

ShellProcesses::~ShellProcesses() {
    for (auto& [id, job] : jobs_) {
        job.process->disconnect(&context_);
        if (!job.ended) {
            ::kill(pid_t(-id), SIGKILL);
            job.process->waitForFinished(-1);
        }
        GuardJobEnded(id);
    }
}

qint64 ShellProcesses::startScript(const QString& scriptPath, QString* error) {
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments({scriptPath});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // A group of its own, so that the job's processes can be told from everybody else's.
    if (HoldsForeignBytes(scriptPath)) {
        // Qt hands arguments on as UTF-8 and would lose the bytes of a folder name that is
        // not: the shell is started here, with the name's own bytes.
        const QByteArray script = PathToBytes(scriptPath);
        process->setChildProcessModifier([script] {
            ::setpgid(0, 0);
            ::execl("/bin/sh", "sh", script.constData(), static_cast<char*>(nullptr));
        });
    } else {
        process->setChildProcessModifier([] { ::setpgid(0, 0); });
    }
    process->start();
    if (!process->waitForStarted(-1)) {
        if (error) {
            *error = process->errorString();
        }
        return 0;
    }
    const qint64 id = process->processId();
    if (id <= 0) {
        if (error) {
            *error = process->errorString();
        }
        return 0;
    }
    QProcess* raw = process.get();
    QObject::connect(raw, &QProcess::finished, &context_, [this, id] { ended(id); });
    jobs_[id] = Job{std::move(process), {}, false};
    GuardJobStarted(id);
    if (error) {
        error->clear();
    }
    return id;
}

bool ShellProcesses::isRunning(qint64 id) const {
    const auto it = jobs_.find(id);
    return it != jobs_.end() && !it->second.ended;
}

int ShellProcesses::exitCode(qint64 id) const {
    const auto it = jobs_.find(id);
    if (it == jobs_.end() || !it->second.ended) {
        return -1;
    }
    const QProcess& p = *it->second.process;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void ShellProcesses::onFinished(qint64 id, std::function<void()> handler) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end()) {
        return;
    }
    it->second.handler = std::move(handler);
    if (it->second.ended) {
        QTimer::singleShot(0, &context_, [this, id] { callHandler(id); });
    }
}

void ShellProcesses::ended(qint64 id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end() || it->second.ended) {
        return;
    }
    it->second.ended = true;
    callHandler(id);
}

void ShellProcesses::callHandler(qint64 id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end() || !it->second.ended || !it->second.handler) {
        return;
    }
    // Called once: take the handler out before calling it, as it may release the job.
    std::function<void()> handler = std::move(it->second.handler);
    it->second.handler = nullptr;
    handler();
}

void ShellProcesses::release(qint64 id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end()) {
        return;
    }
    std::unique_ptr<QProcess> process = std::move(it->second.process);
    const bool running = !it->second.ended;
    jobs_.erase(it);
    process->disconnect(&context_);
    if (running) {
        ::kill(pid_t(-id), SIGKILL);
        process->waitForFinished(-1);
    }
    GuardJobEnded(id);
    // The release may come from inside one of the process's own signals.
    process.release()->deleteLater();
}

bool ShellProcesses::killInJob(qint64 id, const QString& upperName) {
    // Only a job we started and still hold: its id is the id of its process group, which the
    // system cannot hand to another group while any of the job's processes lives.
    const auto it = jobs_.find(id);
    if (it == jobs_.end()) {
        return false;
    }
    for (qint64 pid : FindInProcessGroup(id, upperName)) {
        if (::kill(pid_t(pid), SIGKILL) == 0) {
            return true;
        }
    }
    // Not started yet (or gone already): a job whose shell still runs would go on to start
    // it, so the whole group goes. A group killed while its shell forks takes the new child
    // with it, whatever the moment.
    return !it->second.ended && ::kill(pid_t(-id), SIGKILL) == 0;
}

bool ShellProcesses::terminateJob(qint64 id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end() || it->second.ended) {
        return false;
    }
    // Not the interpreter: it goes on waiting for the encoder, so that the job lasts as long
    // as its encoder does and a kill after a grace still finds an encoder that goes on. An
    // interpreter that would end at once would leave the encoder running outside any job.
    bool asked = false;
    for (qint64 pid : ProcessGroupMembers(id)) {
        asked = (pid != id && ::kill(pid_t(pid), SIGTERM) == 0) || asked;
    }
    // Nothing started yet: the whole job is asked, so that it never starts the encoder.
    return asked || ::kill(pid_t(-id), SIGTERM) == 0;
}

QString ShellProcesses::heldFileIdentity(qint64 id, const QString& path) const {
    struct stat target;
    const QByteArray name = PathToBytes(path);
    if (jobs_.find(id) == jobs_.end() || name.isEmpty() || ::stat(name.constData(), &target) != 0) {
        return {};
    }
    for (qint64 pid : ProcessGroupMembers(id)) {
        const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd";
        DIR* dir = ::opendir(fds.constData());
        if (!dir) {
            continue;
        }
        QString identity;
        while (const dirent* entry = ::readdir(dir)) {
            struct stat held;
            if (entry->d_name[0] != '.' && ::fstatat(::dirfd(dir), entry->d_name, &held, 0) == 0 &&
                held.st_dev == target.st_dev && held.st_ino == target.st_ino) {
                identity = FileIdentityOf(held);
                break;
            }
        }
        ::closedir(dir);
        if (!identity.isEmpty()) {
            return identity;
        }
    }
    return {};
}

}  // namespace vm
