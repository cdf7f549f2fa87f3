// SPDX-License-Identifier: GPL-3.0-or-later
#include "LogTail.h"

#include "platform/paths/PathBytes.h"

namespace vm {

void LogTail::reset() {
    partial_.clear();
    complete_.clear();
    hasLine_ = false;
    afterCr_ = false;
}

bool LogTail::feed(const QByteArray& piece) {
    qsizetype start = 0;
    if (afterCr_ && !piece.isEmpty()) {
        afterCr_ = false;
        if (piece.front() == '\n') {
            start = 1;
        }
    }
    for (qsizetype i = start; i < piece.size(); ++i) {
        const char c = piece.at(i);
        if (c != '\r' && c != '\n') {
            continue;
        }
        // A break: the partial line plus what came before the break is complete.
        partial_.append(piece.constData() + start, i - start);
        complete_.swap(partial_);
        partial_.clear();
        if (c == '\r') {
            if (i + 1 < piece.size()) {
                if (piece.at(i + 1) == '\n') {
                    ++i;
                }
            } else {
                afterCr_ = true;
            }
        }
        start = i + 1;
    }
    partial_.append(piece.constData() + start, piece.size() - start);
    if (!piece.isEmpty()) {
        hasLine_ = true;
    }
    return hasLine_;
}

QString LogTail::lastLine() const {
    // Bytes that are not UTF-8 (a path the encoder quotes) are kept, as in a path.
    return PathFromBytes(partial_.isEmpty() ? complete_ : partial_);
}

}  // namespace vm
