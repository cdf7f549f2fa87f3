// SPDX-License-Identifier: GPL-3.0-or-later
#include "Errors.h"

#include <cerrno>
#include <cstring>

#include "Av.h"

namespace coder {

namespace {
std::string withDetail(const char* plain, const std::string& detail) {
    return std::string(plain) + " (" + detail + ")";
}
}  // namespace

std::string fileProblem(int err) {
    const std::string detail = std::strerror(err);
    switch (err) {
        case ENOSPC:
            return withDetail("the disk is full", detail);
        case EDQUOT:
            return withDetail("the disk quota is used up", detail);
        case EFBIG:
            return withDetail("the file is larger than the disk allows", detail);
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
            return withDetail("the disk reported a hardware error", detail);
        case ENXIO:
            return withDetail("nothing is there to receive the data", detail);
        default:
            return detail;
    }
}

std::string sourceProblem(int averror) {
    const std::string detail = avError(averror);
    if (averror == AVERROR_INVALIDDATA) {
        return withDetail("it is not a valid Flash video", detail);
    }
    if (averror == AVERROR_EOF) {
        return withDetail("it is truncated: the file ends too early", detail);
    }
    if (averror == AVERROR_DECODER_NOT_FOUND) {
        return withDetail("it uses a codec that cannot be decoded", detail);
    }
    if (averror == AVERROR_PATCHWELCOME || averror == AVERROR(ENOSYS)) {
        return withDetail("it uses a feature that cannot be decoded", detail);
    }
    if (averror == AVERROR(ENOMEM)) {
        return withDetail("there is not enough memory", detail);
    }
    if (averror == AVERROR(EIO)) {
        return withDetail("the disk reported a read error", detail);
    }
    if (averror < 0 && averror > -4096) {
        return fileProblem(AVUNERROR(averror));
    }
    return detail;
}

void checkEveryStream(const std::string& input, bool noVideo, bool noAudio) {
    if (noVideo || noAudio) {
        throw Failure(std::string("none of the ") + (noVideo ? "video" : "audio") +
                      " of input file " + quoted(input) +
                      " could be decoded, so it is missing from the output; the file is damaged");
    }
}

}  // namespace coder
