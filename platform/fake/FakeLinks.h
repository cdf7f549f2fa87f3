// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include "platform/Links.h"

namespace vm {

class FakeLinks : public Links {
  public:
    void open(const QString& target) override { opened.append(target); }
    QStringList opened;
};

}  // namespace vm
