// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Links.h"

namespace vm {

// Opens links with the desktop's own programs (browser, mail client).
class QtLinks : public Links {
  public:
    void open(const QString& target) override;
};

}  // namespace vm
