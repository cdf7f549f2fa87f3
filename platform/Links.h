// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vm {

// Opens a web address or a mailto: link in the user's own programs. Failures are silent.
class Links {
  public:
    virtual ~Links() = default;
    virtual void open(const QString& target) = 0;
};

}  // namespace vm
