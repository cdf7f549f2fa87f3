// SPDX-License-Identifier: GPL-3.0-or-later
// The pending file on Windows: a file under a temporary name beside the target, held open so
// that nobody else deletes or renames it, and marked to be deleted when closed, so that it
// vanishes with the process however that ends. Once complete it is flushed to the disk, the
// mark is taken off, and it is moved onto the target's name.
#include "PendingFile.h"

#include <windows.h>

#include <algorithm>
#include <random>

#include "Errors.h"
#include "FileHandles.h"
#include "PartFiles.h"
#include "PartNames.h"
#include "StopRemoval.h"
#include "WideText.h"

namespace coder {

struct PendingFile::State {
    std::string path;      // the target as given
    std::wstring target;   // ... as Windows names it
    std::wstring written;  // the temporary name; empty for a device
    HANDLE file = INVALID_HANDLE_VALUE;
    bool device = false;
    bool replacing = false;
    FileIdentity old;  // when replacing: the file that the complete one replaces
    FileIdentity own;
    bool marked = false;  // to be deleted when closed
    bool owned = false;   // a file we created and have not completed
    SystemError error;

    [[noreturn]] void fail(TargetStep step, DWORD code) const {
        failTarget(step, path, systemError(int(code)));
    }
    void createBeside();
    bool mark(bool deleteOnClose);
    void place();
};

namespace {

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/' || c == L':';
}

}  // namespace

bool PendingFile::State::mark(bool deleteOnClose) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteOnClose;
    if (!SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)) {
        return false;
    }
    marked = deleteOnClose;
    return true;
}

void PendingFile::State::createBeside() {
    size_t cut = target.size();
    while (cut > 0 && !isSeparator(target[cut - 1])) {
        --cut;
    }
    const std::string folder = utf8Text(target.data(), cut);
    const std::string name = utf8Text(target.data() + cut, target.size() - cut);
    const TargetStep step = replacing ? TargetStep::Replace : TargetStep::Create;
    // A name that the disk cannot hold fails now, not once everything has been converted.
    if (target.size() - cut > 255) {
        fail(step, ERROR_FILENAME_EXCED_RANGE);
    }
    removeDeadParts(folder);
    const std::string pattern = partNamePattern(folder, name);
    std::random_device random;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        unsigned char letters[6];
        for (auto& letter : letters) {
            letter = static_cast<unsigned char>(random());
        }
        std::string temp = pattern;
        fillPartName(temp, letters);
        written = wideText(temp);
        // Others may read it, never delete or rename it while we hold it.
        file = CreateFileW(written.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
                break;
            }
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        written.clear();
        fail(step, error);
    }
    const auto id = identityOf(file);
    if (!id) {
        error = GetLastError();
        mark(true);
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        fail(step, error);
    }
    own = *id;
    owned = true;
    if (!mark(true)) {
        removeOnStop(written, own);  // a disk without the mark: the stop handler removes it
    }
}

PendingFile::PendingFile(const std::string& path, const FileIdentity& input, bool overwrite)
    : s_(std::make_unique<State>()) {
    State& s = *s_;
    s.path = path;
    s.target = wideText(path);
    HANDLE existing =
        CreateFileW(s.target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            s.fail(TargetStep::Create, error);
        }
        s.createBeside();
        return;
    }
    const DWORD type = GetFileType(existing);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(existing, &info);
    const auto id = known ? std::optional(identityIn(info)) : std::nullopt;
    const bool folder = known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(existing);
    if (id && *id == input) {
        targetIsInput(path);
    }
    if (!overwrite) {
        targetExists(path);
    }
    if (folder) {
        failTarget(TargetStep::Create, path, errnoError(EISDIR));
    }
    if (type == FILE_TYPE_DISK && id) {
        s.replacing = true;
        s.old = *id;
        s.createBeside();
        return;
    }
    // A device such as NUL: written as it is, never truncated or removed.
    s.file = CreateFileW(s.target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (s.file == INVALID_HANDLE_VALUE) {
        s.fail(TargetStep::Open, GetLastError());
    }
    if (GetFileType(s.file) == FILE_TYPE_DISK) {
        CloseHandle(s.file);
        s.file = INVALID_HANDLE_VALUE;
        targetIsNotRegular(path);
    }
    s.device = true;
}

PendingFile::~PendingFile() {
    discard();
}

bool PendingFile::seekable() const {
    return !s_->device;
}

const SystemError& PendingFile::error() const {
    return s_->error;
}

bool PendingFile::write(const uint8_t* data, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        const DWORD chunk = DWORD(std::min<size_t>(size - done, 1u << 30));
        OVERLAPPED at{};
        const uint64_t where = uint64_t(offset) + done;
        at.Offset = DWORD(where);
        at.OffsetHigh = DWORD(where >> 32);
        DWORD n = 0;
        if (!WriteFile(s_->file, data + done, chunk, &n, s_->device ? nullptr : &at)) {
            s_->error = lastSystemError();
            return false;
        }
        if (n == 0) {
            s_->error = systemError(ERROR_DISK_FULL);
            return false;
        }
        done += n;
    }
    return true;
}

void PendingFile::finish() {
    State& s = *s_;
    if (s.file == INVALID_HANDLE_VALUE) {
        return;
    }
    if (s.device) {
        const bool closed = CloseHandle(s.file);
        s.file = INVALID_HANDLE_VALUE;
        if (!closed) {
            s.fail(TargetStep::Write, GetLastError());
        }
        return;
    }
    // The complete file reaches the disk before it takes the target's name.
    if (!FlushFileBuffers(s.file)) {
        s.fail(TargetStep::Write, GetLastError());  // discard() removes what was written
    }
    s.place();
}

void PendingFile::State::place() {
    if (marked) {
        removeOnStop(written, own);  // until it has the target's name
        if (!mark(false)) {
            fail(TargetStep::Write, GetLastError());
        }
    }
    CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (identityAt(written) != own) {
        owned = false;  // not ours any more: never remove it
        keepOnStop();
        targetReplacedOrRemoved(path);
    }
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (replacing) {
        const auto now = identityAt(target);
        if (now && *now != old) {
            targetTakenMeanwhile(path);
        }
        if (now) {
            flags |= MOVEFILE_REPLACE_EXISTING;  // still the file that was there
        }
    }
    if (!MoveFileExW(written.c_str(), target.c_str(), flags)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            targetTakenMeanwhile(path);
        }
        fail(replacing ? TargetStep::Replace : TargetStep::Create, error);
    }
    owned = false;  // complete and in place: nothing left to discard
    keepOnStop();
}

void PendingFile::discard() {
    State& s = *s_;
    if (s.file != INVALID_HANDLE_VALUE) {
        if (s.owned && !s.marked) {
            s.mark(true);
        }
        CloseHandle(s.file);  // a marked file is deleted with it
        s.file = INVALID_HANDLE_VALUE;
    }
    if (s.owned && !s.written.empty() && identityAt(s.written) == s.own) {
        DeleteFileW(s.written.c_str());
    }
    s.owned = false;
    keepOnStop();
}

}  // namespace coder
