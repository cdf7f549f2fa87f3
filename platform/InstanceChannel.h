// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace vm {

// One running copy per name: the first start listens under the name, and a later start hands
// its message to that copy instead of running on its own.
class InstanceChannel {
  public:
    enum class Claim {
        Listening,   // this copy is the one: later messages reach the handler
        HandedOver,  // another copy runs and has taken the message; this copy should end
        Alone,       // neither could be done (the reason in *error); run without listening
    };

    virtual ~InstanceChannel() = default;

    virtual Claim claim(const QString& name, const QByteArray& message, QString* error) = 0;
    // Called on the event loop with each message that a later start hands over.
    virtual void setMessageHandler(std::function<void(const QByteArray&)> handler) = 0;
};

}  // namespace vm
