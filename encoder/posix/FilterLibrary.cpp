// SPDX-License-Identifier: GPL-3.0-or-later
#include "FilterLibrary.h"

#include <dlfcn.h>

#include <string>

#include "Av.h"

namespace coder {

namespace {

template <typename F>
void find(void* library, const char* name, F& to) {
    void* symbol = dlsym(library, name);
    if (!symbol) {
        throw Failure(std::string("the filter library lacks ") + name);
    }
    to = reinterpret_cast<F>(symbol);
}

FilterLibrary load() {
    // The library this program was built against, by the name its file gave the build.
    void* library = dlopen(CODER_AVFILTER_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        throw Failure(std::string("cannot load the video filters: ") + dlerror());
    }
    FilterLibrary f{};
#define CODER_FILTER_FIND(member, function) find(library, #function, f.member);
    CODER_FILTER_FUNCTIONS(CODER_FILTER_FIND)
#undef CODER_FILTER_FIND
    return f;  // the library stays loaded for the rest of the process
}

}  // namespace

const FilterLibrary& filterLibrary() {
    static const FilterLibrary library = load();
    return library;
}

}  // namespace coder
