// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

struct MessageTable;

enum class FileOutcome { Done, Failed, Skipped };

// The outcomes of one run: per outcome a list of sources, each entry a CR and the path.
class RunTally {
  public:
    void record(FileOutcome outcome, const QString& sourcePath);
    void clear();

    int count(FileOutcome outcome) const;
    const QString& list(FileOutcome outcome) const;

    // "msg6 N:" + list, then CR + "msg7 N:" + list, then CR + "msg8 N:" + list; a category
    // without entries has no heading.
    QString summary(const MessageTable& messages) const;
    // The completion message: msg9 + listCount + msg10 + ":" + CR + CR + the summary.
    QString completionText(const MessageTable& messages, qsizetype listCount) const;

  private:
    struct Category {
        QString list;
        int count = 0;
    };
    Category& at(FileOutcome outcome);
    const Category& at(FileOutcome outcome) const;

    Category done_;
    Category failed_;
    Category skipped_;
};

}  // namespace vm
