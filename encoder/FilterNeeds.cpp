// SPDX-License-Identifier: GPL-3.0-or-later
// Not part of the program and never installed: a library that needs the filter library's
// functions just as coder.dll takes them at run time, linked like any program. Debian's
// shared-library tools read it to name the package (and the least version of it) that the
// filter library comes from, for the package's dependencies.
#include "FilterLibrary.h"

#define CODER_FILTER_ADDRESS(member, function) reinterpret_cast<const void*>(&function),
extern "C" const void* const coder_filter_functions[] = {
    CODER_FILTER_FUNCTIONS(CODER_FILTER_ADDRESS)};
