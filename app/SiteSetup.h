// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

namespace vm {

class SchemePageWindow;

// Readies the browser engine before the application object: its sandbox off when running as
// root (it cannot run there), contexts shared as the engine needs, and the built-in site's
// scheme made known.
void PrepareBrowserEngine();

// While it lives, the browser's profile answers the built-in site from the program itself, and
// the About tab's links to its pages open in a window of their own.
class BuiltInSiteServer {
  public:
    BuiltInSiteServer();
    ~BuiltInSiteServer();

  private:
    std::unique_ptr<SchemePageWindow> pages_;
};

}  // namespace vm
