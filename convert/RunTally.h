// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include "FileState.h"
#include "platform/paths/ReadablePath.h"

namespace vm {

struct MessageTable;

// The outcomes of one run (Done, Skipped, Failed): per outcome a list of sources, each entry a CR
// and the path as a person reads it (ReadablePath: a path that is valid UTF-8 stands as it is).
class RunTally {
  public:
    // reason: why a failed file failed (ignored for the other outcomes). names: the legacy
    // encoding preferred in reading the path and the reason.
    void record(FileState outcome, const QString& sourcePath, LegacyEncoding names,
                const QString& reason = {});
    void clear();

    int count(FileState outcome) const;
    const QString& list(FileState outcome) const;

    // "msg6 N:" + list, then CR + "msg7 N:" + list, then CR + "msg8 N:" + list; a category
    // without entries has no heading.
    QString summary(const MessageTable& messages) const;
    // The completion message: msg9 + listCount + msg10 + ":" + CR + CR + the summary.
    QString completionText(const MessageTable& messages, qsizetype listCount) const;
    // One line per failed source, in the order they failed: the path, ": " and the reason
    // (a reason of several lines is joined into one), both readable as in the lists. Empty
    // when no file failed.
    QString failureDetails() const;

  private:
    struct Category {
        QString list;
        int count = 0;
    };
    Category& at(FileState outcome);
    const Category& at(FileState outcome) const;

    Category done_;
    Category failed_;
    Category skipped_;
    QStringList failureLines_;
};

}  // namespace vm
