// SPDX-License-Identifier: GPL-3.0-or-later
// Profile files through the POSIX calls; paths are the bytes on disk (PathBytes.h).
#include "ProfileFileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/paths/PathBytes.h"

namespace vm::profile_io {

namespace {

// An open descriptor that closes itself.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// Reads a whole ordinary file. O_NONBLOCK keeps a FIFO that carries a pack's name from
// blocking the reader; anything that is not an ordinary file counts as missing.
bool ReadRegularFile(const QByteArray& path, std::string* data, struct stat* info) {
    Fd fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        return false;
    }
    if (::fstat(fd.get(), info) != 0 || !S_ISREG(info->st_mode)) {
        return false;
    }
    data->clear();
    if (info->st_size > 0) {
        data->reserve(std::size_t(info->st_size));
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        data->append(buffer, std::size_t(n));
    }
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

// Replaces target with data: temporary file in the same folder, flushed, renamed over it.
void ReplaceAtomically(const std::string& target, const std::string& data,
                       const struct stat& original) {
    std::size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // Hidden, and ending in six random letters or digits, never in ".INI".
    std::string temp = folder + "/." + name + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return;
    }
    bool ok = ::fchmod(fd.get(), original.st_mode & 07777) == 0;
    if (ok && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
        // Keep the owner where we may (only a privileged writer can); failure is harmless.
        (void)!::fchown(fd.get(), original.st_uid, original.st_gid);
    }
    ok = ok && WriteAll(fd.get(), data) && ::fsync(fd.get()) == 0;
    ok = (::close(fd.release()) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return;
    }
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

}  // namespace

std::optional<std::string> ReadWhole(const QString& path) {
    std::string data;
    struct stat info {};
    if (!ReadRegularFile(PathToBytes(path), &data, &info)) {
        return std::nullopt;
    }
    return data;
}

void Rewrite(const QString& path, const Edit& edit) {
    // Write through a link to the file it names, so that the link stays a link.
    char resolved[PATH_MAX];
    if (::realpath(PathToBytes(path).constData(), resolved) == nullptr) {
        return;  // a missing file is not created
    }
    const std::string target(resolved);
    std::string data;
    struct stat info {};
    if (!ReadRegularFile(QByteArray::fromStdString(target), &data, &info)) {
        return;
    }
    if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) {
        return;  // read-only: keeps its old contents silently
    }
    if (const std::optional<std::string> edited = edit(data)) {
        ReplaceAtomically(target, *edited, info);
    }
}

}  // namespace vm::profile_io
