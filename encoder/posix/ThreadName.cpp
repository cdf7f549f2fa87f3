// SPDX-License-Identifier: GPL-3.0-or-later
#include "ThreadName.h"

#include <pthread.h>

namespace coder {

void nameThisThread(const std::string& name) {
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

}  // namespace coder
