// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <memory>

namespace vm {

// What asks a program without a window to stop: on POSIX the signals SIGINT (Ctrl+C), SIGTERM
// and SIGHUP; on Windows the console's Ctrl+C and Ctrl+Break, its closing, the user's logoff
// and the system's shutdown. While an object of this class lives, they no longer end the
// program; each is reported through stopAsked() from the event loop instead, with the number
// of the signal (on Windows SIGINT, SIGBREAK, or SIGTERM for the rest). One object at a time.
class StopSignals : public QObject {
    Q_OBJECT
  public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;  // the signals act as before again

    int received() const { return received_; }  // the first signal, 0 before any

  signals:
    void stopAsked(int signo);

  private:
    Q_INVOKABLE void report(int signo);  // on Windows called by name, from another thread

    struct State;  // each system's own means (its StopSignals.cpp)
    std::unique_ptr<State> state_;
    int received_ = 0;
};

}  // namespace vm
