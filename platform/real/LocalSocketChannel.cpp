// SPDX-License-Identifier: GPL-3.0-or-later
#include "LocalSocketChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

namespace vm {

namespace {

constexpr int kLockWaitMs = 3000;
constexpr int kIdleClientMs = 5000;  // a client that sends nothing is dropped
constexpr int kWriteMs = 10000;      // a message larger than the socket's buffer
constexpr char kTaken = 'A';

QByteArray Frame(const QByteArray& message) {
    QByteArray frame(4, '\0');
    qToBigEndian(quint32(message.size()), frame.data());
    return frame + message;
}

enum class Handing { NoOne, Taken, Stuck };

// Hands the message to the copy listening at path.
Handing HandOver(const QString& path, const QByteArray& message, QString* error) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(LocalSocketChannel::kConnectMs)) {
        return Handing::NoOne;
    }
    socket.write(Frame(message));
    QDeadlineTimer deadline(kWriteMs);
    while (socket.bytesToWrite() > 0 && !deadline.hasExpired() &&
           socket.state() == QLocalSocket::ConnectedState) {
        socket.waitForBytesWritten(100);
    }
    if (socket.bytesToWrite() > 0) {
        if (error) {
            *error = path + QStringLiteral(": the running window does not take the files");
        }
        return Handing::Stuck;
    }
    // The running copy takes it from its event loop; when that loop is held up, the message
    // waits in the socket and is read later, so no answer is no failure.
    socket.waitForReadyRead(LocalSocketChannel::kAnswerMs);
    socket.disconnectFromServer();
    return Handing::Taken;
}

}  // namespace

LocalSocketChannel::LocalSocketChannel(QString folder, QObject* parent)
    : QObject(parent), folder_(folder.isEmpty() ? RuntimeFolder() : std::move(folder)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &LocalSocketChannel::accept);
}

LocalSocketChannel::~LocalSocketChannel() = default;

QString LocalSocketChannel::RuntimeFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

InstanceChannel::Claim LocalSocketChannel::claim(const QString& name, const QByteArray& message,
                                                 QString* error) {
    if (folder_.isEmpty() || !QDir(folder_).exists()) {
        if (error) {
            *error = QStringLiteral("no runtime folder");
        }
        return Claim::Alone;
    }
    const QString path = QDir(folder_).filePath(name);
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        if (error) {
            *error = path + QStringLiteral(".lock: cannot be locked");
        }
        return Claim::Alone;
    }
    switch (HandOver(path, message, error)) {
        case Handing::Taken:
            return Claim::HandedOver;
        case Handing::Stuck:
            return Claim::Alone;  // a window runs and listens; this one runs beside it
        case Handing::NoOne:
            break;
    }
    // Nothing answers: a socket that is still there was left by a copy that ended abnormally.
    QLocalServer::removeServer(path);
    if (!server_.listen(path)) {
        if (error) {
            *error = path + QStringLiteral(": ") + server_.errorString();
        }
        return Claim::Alone;
    }
    return Claim::Listening;
}

void LocalSocketChannel::setMessageHandler(std::function<void(const QByteArray&)> handler) {
    handler_ = std::move(handler);
}

void LocalSocketChannel::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kIdleClientMs, socket, [socket] { socket->abort(); });
        auto buffer = std::make_shared<QByteArray>();
        auto read = [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() < 4) {
                return;
            }
            const qint64 length = qFromBigEndian<quint32>(buffer->constData());
            if (length > kMaxMessage) {
                socket->abort();
                return;
            }
            if (buffer->size() < 4 + length) {
                return;
            }
            const QByteArray message = buffer->mid(4, length);
            buffer->clear();
            socket->write(&kTaken, 1);
            socket->flush();
            if (handler_) {
                handler_(message);
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();  // bytes that came with the connection
    }
}

}  // namespace vm
