// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/real/LocalSocketChannel.h"

namespace vm::test {

// A window's end of the channel: what it was handed.
struct Listener {
    LocalSocketChannel channel;
    QList<QByteArray> received;

    explicit Listener(const QString& folder) : channel(folder) {
        channel.setMessageHandler([this](const QByteArray& m) { received.append(m); });
    }
};

}  // namespace vm::test
