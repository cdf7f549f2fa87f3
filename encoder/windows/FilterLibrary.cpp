// SPDX-License-Identifier: GPL-3.0-or-later
// On Windows the filter library is linked into the program, like every FFmpeg library.
#include "FilterLibrary.h"

namespace coder {

const FilterLibrary& filterLibrary() {
#define CODER_FILTER_TAKE(member, function) &function,
    static const FilterLibrary library{CODER_FILTER_FUNCTIONS(CODER_FILTER_TAKE)};
#undef CODER_FILTER_TAKE
    return library;
}

}  // namespace coder
