// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringList>
#include <optional>

#include "platform/SleepInhibitor.h"
#include "platform/TaskbarEntry.h"

namespace vm {

// Records each reason given; `held` tells whether the inhibitor is held now.
class FakeSleepInhibitor : public SleepInhibitor {
  public:
    QStringList reasons;
    bool held = false;
    int releases = 0;

    void hold(const QString& reason) override {
        reasons.append(reason);
        held = true;
    }
    void release() override {
        if (held) {
            ++releases;
        }
        held = false;
    }
};

// Records what the entry shows: every update, and the state now (nothing while cleared).
class FakeTaskbarEntry : public TaskbarEntry {
  public:
    struct Shown {
        double progress = 0;
        int count = 0;
        bool operator==(const Shown&) const = default;
    };
    QList<Shown> updates;
    std::optional<Shown> now;
    int clears = 0;

    void showProgress(double progress, int count) override {
        updates.append({progress, count});
        now = updates.last();
    }
    void clear() override {
        ++clears;
        now.reset();
    }
};

}  // namespace vm
