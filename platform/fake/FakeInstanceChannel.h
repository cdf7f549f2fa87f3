// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

#include "platform/InstanceChannel.h"

namespace vm {

// A channel in memory: claims answer `answer`, and deliver() plays a later start.
class FakeInstanceChannel : public InstanceChannel {
  public:
    Claim answer = Claim::Listening;
    QString claimedName;
    QList<QByteArray> sent;  // what the claims offered to hand over

    Claim claim(const QString& name, const QByteArray& message, QString* error) override {
        claimedName = name;
        sent.append(message);
        if (answer == Claim::Alone && error) {
            *error = QStringLiteral("no runtime folder");
        }
        return answer;
    }
    void setMessageHandler(std::function<void(const QByteArray&)> handler) override {
        handler_ = std::move(handler);
    }
    void deliver(const QByteArray& message) {
        if (handler_) {
            handler_(message);
        }
    }

  private:
    std::function<void(const QByteArray&)> handler_;
};

}  // namespace vm
