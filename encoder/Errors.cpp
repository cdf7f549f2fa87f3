// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "Av.h"

namespace coder {

namespace {

std::string withDetail(const std::string& plain, const std::string& detail) {
    return plain + " (" + detail + ")";
}

bool isSystemError(int averror) {
    return averror < 0 && averror > -4096;  // AVERROR(errno)
}

// What the file's first bytes say it is.
enum class Signature { Flash, Mp4, Other, Unreadable };

Signature signatureOf(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return Signature::Unreadable;
    }
    unsigned char head[12] = {};
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    if (n >= 3 && std::memcmp(head, "FLV", 3) == 0) {
        return Signature::Flash;
    }
    if (n >= 8 && std::memcmp(head + 4, "ftyp", 4) == 0) {
        return Signature::Mp4;
    }
    return n < 0 ? Signature::Unreadable : Signature::Other;
}

}  // namespace

std::string fileProblem(int err) {
    const std::string detail = std::strerror(err);
    switch (err) {
        case ENOSPC:
            return withDetail("the disk is full", detail);
        case EDQUOT:
            return withDetail("the disk quota is used up", detail);
        case EFBIG: {
            rlimit limit{};
            if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
                return withDetail("the file is larger than the file-size limit (ulimit -f) of " +
                                      std::to_string(limit.rlim_cur) + " bytes allows",
                                  detail);
            }
            return withDetail("the file is larger than the disk allows", detail);
        }
        case EACCES:
        case EPERM:
            return withDetail("the folder cannot be written: no permission", detail);
        case EROFS:
            return withDetail("the folder cannot be written: the disk is read-only", detail);
        case ENOENT:
            return withDetail("the folder does not exist", detail);
        case ENOTDIR:
            return withDetail("a part of the folder's path is a file, not a folder", detail);
        case EISDIR:
            return withDetail("that name is a folder", detail);
        case ENAMETOOLONG:
            return withDetail("the name is too long for the disk", detail);
        case EIO:
            return withDetail("the disk reported an error", detail);
        case ENXIO:
            return withDetail("nothing is there to receive the data", detail);
        default:
            return detail;
    }
}

std::string writeProblem(int averror) {
    return isSystemError(averror) ? fileProblem(AVUNERROR(averror)) : avError(averror);
}

std::string readProblem(int averror) {
    if (averror == AVERROR(EIO)) {
        return withDetail("the disk reported an error", avError(averror));
    }
    if (averror == AVERROR(ENOMEM)) {
        return withDetail("there is not enough memory", avError(averror));
    }
    return avError(averror);
}

std::string unreadableSource(const std::string& path, int averror) {
    const std::string name = "input file " + quotedPath(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int e = errno;
        if (e == ENOENT) {
            return name + withDetail(" does not exist", std::strerror(e));
        }
        if (e == EACCES) {
            return name + withDetail(" cannot be read: no permission", std::strerror(e));
        }
        return "cannot open " + name + ": " + std::strerror(e);
    }
    if (S_ISDIR(st.st_mode)) {
        return name + " is a folder, not a video file";
    }
    if (!S_ISREG(st.st_mode)) {
        return name + " is not a regular file";
    }
    if (st.st_size == 0) {
        return name + " is empty";
    }
    if (averror == AVERROR(EACCES) || averror == AVERROR(EPERM)) {
        return name + withDetail(" cannot be read: no permission", avError(averror));
    }
    if (isSystemError(averror) && averror != AVERROR(EINVAL)) {
        return "cannot read " + name + ": " + readProblem(averror);
    }
    switch (signatureOf(path)) {
        case Signature::Flash:
        case Signature::Mp4:
            return name + withDetail(" is truncated or damaged: no video or audio could be read",
                                     avError(averror));
        case Signature::Unreadable:
            return "cannot read " + name + ": " + avError(averror);
        case Signature::Other:
            break;
    }
    return name + withDetail(" is not a valid Flash video", avError(averror));
}

void checkEveryStream(const std::string& input, bool noVideo, bool noAudio) {
    if (noVideo || noAudio) {
        throw Failure(std::string("none of the ") + (noVideo ? "video" : "audio") +
                      " of input file " + quotedPath(input) +
                      " could be decoded, so it is missing from the output; the file is damaged");
    }
}

}  // namespace coder
