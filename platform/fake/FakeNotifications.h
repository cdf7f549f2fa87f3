// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include "platform/Notifications.h"

namespace vm {

// Records every notification; `reachable` false plays a desktop without a service.
class FakeNotifications : public Notifications {
  public:
    struct Shown {
        QString title;
        QString body;
    };
    QList<Shown> shown;
    int attentionRequests = 0;
    bool reachable = true;

    bool notify(const QString& title, const QString& body) override {
        if (!reachable) {
            return false;
        }
        shown.append({title, body});
        return true;
    }
    void requestAttention() override { ++attentionRequests; }
};

}  // namespace vm
