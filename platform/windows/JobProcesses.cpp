// SPDX-License-Identifier: GPL-3.0-or-later
#include "JobProcesses.h"

#include <windows.h>

#include <QDir>
#include <QTimer>
#include <QWinEventNotifier>
#include <vector>

namespace vm {

namespace {

constexpr UINT kEndedCode = UINT(-1);  // the exit code of a job that we end

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h && h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The list of attributes that lets cmd.exe inherit the one handle named, and no other.
class InheritOnly {
  public:
    explicit InheritOnly(HANDLE handle) : handle_(handle) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        ok_ = InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
              UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_,
                                        sizeof handle_, nullptr, nullptr);
    }
    ~InheritOnly() {
        if (ok_) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return ok_ ? list_ : nullptr; }

  private:
    HANDLE handle_;
    std::vector<char> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ok_ = false;
};

QString systemError(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, length).trimmed()
                             : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    return message;
}

QString cmdPath() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return (length > 0 && length < MAX_PATH ? QString::fromWCharArray(folder, int(length))
                                            : QStringLiteral("C:\\Windows\\System32")) +
           QStringLiteral("\\cmd.exe");
}

// The ids of the job's processes, as many as there are.
std::vector<DWORD> jobMembers(HANDLE job) {
    for (DWORD room = 64;; room *= 4) {
        std::vector<char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) +
                                 room * sizeof(ULONG_PTR));
        auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
        list->NumberOfAssignedProcesses = room;
        if (QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, DWORD(buffer.size()),
                                      nullptr) ||
            GetLastError() == ERROR_MORE_DATA) {
            if (list->NumberOfProcessIdsInList < list->NumberOfAssignedProcesses && room < 65536) {
                continue;  // more than there was room for
            }
            std::vector<DWORD> ids;
            for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
                ids.push_back(DWORD(list->ProcessIdList[i]));
            }
            return ids;
        }
        return {};
    }
}

// The upper-cased file name of the process's image; empty when it cannot be read.
QString imageName(HANDLE process) {
    std::vector<wchar_t> path(32768);
    DWORD length = DWORD(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &length)) {
        return {};
    }
    const QString full = QString::fromWCharArray(path.data(), int(length));
    return full.mid(full.lastIndexOf(QLatin1Char('\\')) + 1).toUpper();
}

}  // namespace

struct JobProcesses::Job {
    UniqueHandle process;  // cmd.exe
    UniqueHandle job;
    std::unique_ptr<QWinEventNotifier> notifier;
    std::function<void()> handler;
    bool ended = false;
};

JobProcesses::JobProcesses() = default;

JobProcesses::~JobProcesses() {
    for (auto& [id, job] : jobs_) {
        job->notifier->disconnect(&context_);
        if (!job->ended) {
            TerminateJobObject(job->job.get(), kEndedCode);
            WaitForSingleObject(job->process.get(), INFINITE);
        }
    }
}

qint64 JobProcesses::startScript(const QString& scriptPath, QString* error) {
    auto fail = [error](const QString& reason) {
        if (error) {
            *error = reason;
        }
        return qint64(0);
    };
    // cmd.exe starts in the script's folder and is given the script's name alone, so that
    // nothing of the folder's name (a '%', say) can be read by cmd as its own syntax.
    const QString native = QDir::toNativeSeparators(scriptPath);
    const qsizetype cut = native.lastIndexOf(QLatin1Char('\\'));
    const QString folder = native.left(cut + 1);
    const QString name = native.mid(cut + 1);
    if (name.isEmpty() || name.contains(QLatin1Char('%')) || name.contains(QLatin1Char('"'))) {
        return fail(QStringLiteral("cmd.exe cannot be given this script name"));
    }
    QString line =
        QStringLiteral("cmd.exe /d /v:off /s /c \"\".\\") + name + QStringLiteral("\"\"");
    const QString program = cmdPath();

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const UniqueHandle null(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                                        0, nullptr));
    if (null.get() == INVALID_HANDLE_VALUE) {
        return fail(systemError(GetLastError()));
    }
    const InheritOnly only(null.get());
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = startup.StartupInfo.hStdOutput = startup.StartupInfo.hStdError =
        null.get();
    startup.lpAttributeList = only.list();
    if (!startup.lpAttributeList) {
        return fail(systemError(GetLastError()));
    }
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(reinterpret_cast<const wchar_t*>(program.utf16()),
                        reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                        reinterpret_cast<const wchar_t*>(folder.utf16()), &startup.StartupInfo,
                        &info)) {
        return fail(systemError(GetLastError()));
    }
    UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);

    // Into a job of its own before it runs, so that everything it starts is in the job too.
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job ||
        !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits) ||
        !AssignProcessToJobObject(job.get(), process.get())) {
        const DWORD code = GetLastError();
        TerminateProcess(process.get(), kEndedCode);
        return fail(systemError(code));
    }
    ResumeThread(thread.get());

    const qint64 id = info.dwProcessId;
    auto entry = std::make_unique<Job>();
    entry->notifier = std::make_unique<QWinEventNotifier>(process.get());
    QObject::connect(entry->notifier.get(), &QWinEventNotifier::activated, &context_,
                     [this, id] { ended(id); });
    entry->process = std::move(process);
    entry->job = std::move(job);
    jobs_[id] = std::move(entry);
    if (error) {
        error->clear();
    }
    return id;
}

bool JobProcesses::isRunning(qint64 id) const {
    const auto it = jobs_.find(id);
    return it != jobs_.end() && !it->second->ended;
}

int JobProcesses::exitCode(qint64 id) const {
    const auto it = jobs_.find(id);
    DWORD code = 0;
    if (it == jobs_.end() || !it->second->ended ||
        !GetExitCodeProcess(it->second->process.get(), &code)) {
        return -1;
    }
    return int(code);
}

void JobProcesses::onFinished(qint64 id, std::function<void()> handler) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end()) {
        return;
    }
    it->second->handler = std::move(handler);
    if (it->second->ended) {
        QTimer::singleShot(0, &context_, [this, id] { callHandler(id); });
    }
}

void JobProcesses::ended(qint64 id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end() || it->second->ended) {
        return;
    }
    it->second->notifier->setEnabled(false);  // the handle stays signalled
    it->second->ended = true;
    callHandler(id);
}

void JobProcesses::callHandler(qint64 id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end() || !it->second->ended || !it->second->handler) {
        return;
    }
    // Called once: take the handler out before calling it, as it may release the job.
    std::function<void()> handler = std::move(it->second->handler);
    it->second->handler = nullptr;
    handler();
}

void JobProcesses::release(qint64 id) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end()) {
        return;
    }
    std::unique_ptr<Job> job = std::move(it->second);
    jobs_.erase(it);
    job->notifier->disconnect(&context_);
    job->notifier->setEnabled(false);
    if (!job->ended) {
        TerminateJobObject(job->job.get(), kEndedCode);
        WaitForSingleObject(job->process.get(), INFINITE);
    }
    // The release may come from inside the notifier's own signal.
    job->notifier.release()->deleteLater();
}

bool JobProcesses::killInJob(qint64 id, const QString& upperName) {
    const auto it = jobs_.find(id);
    if (it == jobs_.end()) {
        return false;
    }
    HANDLE job = it->second->job.get();
    for (DWORD pid : jobMembers(job)) {
        const UniqueHandle process(
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
        // The id may have been given to another process since the list was read: the process
        // opened must be in the job.
        BOOL member = FALSE;
        if (process && IsProcessInJob(process.get(), job, &member) && member &&
            imageName(process.get()) == upperName && TerminateProcess(process.get(), kEndedCode)) {
            return true;
        }
    }
    // Not started yet (or gone already): cmd.exe would go on to start it, so the whole job
    // goes. A process created meanwhile is in the job and goes with it.
    return !it->second->ended && TerminateJobObject(job, kEndedCode);
}

bool JobProcesses::terminateJob(qint64 id) {
    const auto it = jobs_.find(id);
    return it != jobs_.end() && !it->second->ended &&
           TerminateJobObject(it->second->job.get(), kEndedCode);
}

// Which file another process holds open is not something Windows tells plainly (the Restart
// Manager or the system's handle table would, at a cost and with their own pitfalls). Nor is
// it needed: the encoder writes a target under a temporary name, marked to be deleted when
// closed, and gives it the target's name only once complete. So a stopped or killed job leaves
// nothing of its own at the target, and EncoderJob, which removes only a file it was told is
// the job's, removes nothing.
QString JobProcesses::heldFileIdentity(qint64, const QString&) const {
    return {};
}

}  // namespace vm
