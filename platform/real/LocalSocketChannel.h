// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <memory>

#include "platform/InstanceChannel.h"

namespace vm {

// The channel over a local socket in a folder private to the user (the runtime folder). A lock
// file beside the socket keeps two starts from claiming at the same moment; a socket that no
// copy answers (left by a copy that crashed) is replaced.
//
// A message travels as a 4-byte big-endian length and the bytes; the running copy answers
// one byte once its handler has taken the message.
class LocalSocketChannel : public QObject, public InstanceChannel {
    Q_OBJECT
  public:
    static constexpr qint64 kMaxMessage = 16 * 1024 * 1024;
    static constexpr int kConnectMs = 500;  // a copy that listens answers at once
    static constexpr int kAnswerMs = 500;   // a busy copy still gets the message later

    // folder: where the socket lies; RuntimeFolder() when empty.
    explicit LocalSocketChannel(QString folder = {}, QObject* parent = nullptr);
    ~LocalSocketChannel() override;

    Claim claim(const QString& name, const QByteArray& message, QString* error) override;
    void setMessageHandler(std::function<void(const QByteArray&)> handler) override;

    QString socketPath() const { return server_.fullServerName(); }

    // The user's runtime folder ($XDG_RUNTIME_DIR, or a private folder that Qt makes).
    static QString RuntimeFolder();

  private:
    void accept();

    QString folder_;
    QLocalServer server_;
    std::function<void(const QByteArray&)> handler_;
};

}  // namespace vm
