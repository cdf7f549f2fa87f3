// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "Av.h"
#include "SourceFile.h"

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
    unsigned char head[12] = {};
    const int n = readHead(path, head, sizeof head);
    if (n >= 3 && std::memcmp(head, "FLV", 3) == 0) {
        return Signature::Flash;
    }
    if (n >= 8 && std::memcmp(head + 4, "ftyp", 4) == 0) {
        return Signature::Mp4;
    }
    return n < 0 ? Signature::Unreadable : Signature::Other;
}

std::string plainWords(const SystemError& error) {
    switch (error.fault) {
        case FileFault::DiskFull:
            return "the disk is full";
        case FileFault::QuotaUsed:
            return "the disk quota is used up";
        case FileFault::TooLarge:
            if (error.sizeLimit) {
                return "the file is larger than the file-size limit (ulimit -f) of " +
                       std::to_string(error.sizeLimit) + " bytes allows";
            }
            return "the file is larger than the disk allows";
        case FileFault::NoPermission:
            return "the folder cannot be written: no permission";
        case FileFault::ReadOnly:
            return "the folder cannot be written: the disk is read-only";
        case FileFault::Missing:
            return "the folder does not exist";
        case FileFault::NotAFolder:
            return "a part of the folder's path is a file, not a folder";
        case FileFault::IsAFolder:
            return "that name is a folder";
        case FileFault::NameTooLong:
            return "the name is too long for the disk";
        case FileFault::DiskError:
            return "the disk reported an error";
        case FileFault::NoReceiver:
            return "nothing is there to receive the data";
        case FileFault::Exists:
        case FileFault::Other:
            break;
    }
    return {};
}

}  // namespace

FileFault errnoFault(int err) {
    switch (err) {
        case ENOSPC:
            return FileFault::DiskFull;
        case EFBIG:
            return FileFault::TooLarge;
        case EACCES:
        case EPERM:
            return FileFault::NoPermission;
        case EROFS:
            return FileFault::ReadOnly;
        case ENOENT:
            return FileFault::Missing;
        case ENOTDIR:
            return FileFault::NotAFolder;
        case EISDIR:
            return FileFault::IsAFolder;
        case ENAMETOOLONG:
            return FileFault::NameTooLong;
        case EIO:
            return FileFault::DiskError;
        case ENXIO:
            return FileFault::NoReceiver;
        case EEXIST:
            return FileFault::Exists;
        default:
            return FileFault::Other;
    }
}

std::string fileProblem(const SystemError& error) {
    const std::string plain = plainWords(error);
    return plain.empty() ? error.detail : withDetail(plain, error.detail);
}

void failTarget(TargetStep step, const std::string& target, const SystemError& error) {
    static const char* const kSteps[] = {"cannot create output file", "cannot replace output file",
                                         "cannot open output file", "cannot write output file"};
    throw Failure(std::string(kSteps[int(step)]) + " " + quotedPath(target) + ": " +
                  fileProblem(error));
}

void targetTakenMeanwhile(const std::string& target) {
    throw Failure("output file " + quotedPath(target) +
                  " was created or replaced by another program during the conversion; it was "
                  "left as it is");
}

void targetReplacedOrRemoved(const std::string& target) {
    throw Failure("output file " + quotedPath(target) +
                  " was replaced or removed by another program during the conversion");
}

void targetIsInput(const std::string& target) {
    throw Failure("output file " + quotedPath(target) +
                  " is the input file itself; refusing to write it");
}

void targetExists(const std::string& target) {
    throw Failure("output file " + quotedPath(target) + " already exists (use -y to replace it)");
}

void targetIsDanglingLink(const std::string& target) {
    throw Failure("output file " + quotedPath(target) +
                  " is a link to a file that does not exist; refusing to create a file "
                  "through it");
}

void targetIsNotRegular(const std::string& target) {
    throw Failure("output file " + quotedPath(target) + " is not a regular file");
}

std::string writeProblem(int averror) {
    return isSystemError(averror) ? fileProblem(errnoError(AVUNERROR(averror))) : avError(averror);
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
    const SourceCheck source = checkSource(path);
    switch (source.kind) {
        case SourceCheck::Missing:
            return name + withDetail(" does not exist", source.detail);
        case SourceCheck::NoPermission:
            return name + withDetail(" cannot be read: no permission", source.detail);
        case SourceCheck::Unopenable:
            return "cannot open " + name + ": " + source.detail;
        case SourceCheck::Folder:
            return name + " is a folder, not a video file";
        case SourceCheck::NotRegular:
            return name + " is not a regular file";
        case SourceCheck::Regular:
            break;
    }
    if (source.size == 0) {
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
