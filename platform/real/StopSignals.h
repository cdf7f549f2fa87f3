// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace vm {

// The signals that ask a program without a window to stop: SIGINT (Ctrl+C), SIGTERM and
// SIGHUP. While an object of this class lives, they no longer end the program; each is
// reported through stopAsked() from the event loop instead. One object at a time.
class StopSignals : public QObject {
    Q_OBJECT
  public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;  // the signals act as before again

    int received() const { return received_; }  // the first signal, 0 before any

  signals:
    void stopAsked(int signo);

  private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};

}  // namespace vm
