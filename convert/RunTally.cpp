// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunTally.h"

#include "i18n/MessageTable.h"
#include "platform/paths/ReadablePath.h"

namespace vm {

namespace {
const QChar kCr = QLatin1Char('\r');
}

RunTally::Category& RunTally::at(FileState outcome) {
    return const_cast<Category&>(std::as_const(*this).at(outcome));
}

const RunTally::Category& RunTally::at(FileState outcome) const {
    if (outcome == FileState::Failed) {
        return failed_;
    }
    return outcome == FileState::Skipped ? skipped_ : done_;
}

void RunTally::record(FileState outcome, const QString& sourcePath, LegacyEncoding names,
                      const QString& reason) {
    Category& c = at(outcome);
    const QString shown = ReadablePath(sourcePath, names);
    c.list += kCr + shown;
    ++c.count;
    if (outcome == FileState::Failed) {
        failureLines_.append(shown + QStringLiteral(": ") +
                             ReadableText(reason, names).simplified());
    }
}

void RunTally::clear() {
    done_ = {};
    failed_ = {};
    skipped_ = {};
    failureLines_.clear();
}

int RunTally::count(FileState outcome) const {
    return at(outcome).count;
}

const QString& RunTally::list(FileState outcome) const {
    return at(outcome).list;
}

QString RunTally::summary(const MessageTable& messages) const {
    QString text;
    if (!done_.list.isEmpty()) {
        text =
            messages[Message::Done] + QString::number(done_.count) + QLatin1Char(':') + done_.list;
    }
    if (!skipped_.list.isEmpty()) {
        text += kCr + messages[Message::Skipped] + QString::number(skipped_.count) +
                QLatin1Char(':') + skipped_.list;
    }
    if (!failed_.list.isEmpty()) {
        text += kCr + messages[Message::Error] + QString::number(failed_.count) + QLatin1Char(':') +
                failed_.list;
    }
    return text;
}

QString RunTally::completionText(const MessageTable& messages, qsizetype listCount) const {
    return messages[Message::FinishedInAll] + QString::number(listCount) +
           messages[Message::FilesOfWhich] + QLatin1Char(':') + kCr + kCr + summary(messages);
}

QString RunTally::failureDetails() const {
    return failureLines_.join(QLatin1Char('\n'));
}

}  // namespace vm
