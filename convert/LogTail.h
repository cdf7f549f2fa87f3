// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace vm {

// Follows a growing log through the pieces added since the last read and keeps its last line,
// as a reading of the whole log would give it. A line ends at CR, CR LF or LF; text after the
// last break is a line of its own; a break at the very end makes no empty last line.
class LogTail {
  public:
    void reset();
    // Takes the next piece of the log. True when the log is no longer empty, i.e. there is a
    // last line.
    bool feed(const QByteArray& piece);
    bool hasLine() const { return hasLine_; }
    QString lastLine() const;

  private:
    QByteArray partial_;   // text after the last break
    QByteArray complete_;  // the last line that a break ended
    bool hasLine_ = false;
    bool afterCr_ = false;  // an LF right after a CR ends nothing
};

}  // namespace vm
