// SPDX-License-Identifier: GPL-3.0-or-later
#include "FilterLibrary.h"

#include <dlfcn.h>

#include <string>

#include "Av.h"

namespace coder {

namespace {

#define CODER_STRINGIFY(x) #x
#define CODER_SONAME(major) "libavfilter.so." CODER_STRINGIFY(major)

template <typename F>
void find(void* library, const char* name, F& to) {
    void* symbol = dlsym(library, name);
    if (!symbol) {
        throw Failure(std::string("the filter library lacks ") + name);
    }
    to = reinterpret_cast<F>(symbol);
}

FilterLibrary load() {
    // The same major version as the headers this program was built with.
    void* library = dlopen(CODER_SONAME(LIBAVFILTER_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        throw Failure(std::string("cannot load the video filters: ") + dlerror());
    }
    FilterLibrary f{};
    find(library, "avfilter_get_by_name", f.getByName);
    find(library, "avfilter_graph_alloc", f.graphAlloc);
    find(library, "avfilter_graph_free", f.graphFree);
    find(library, "avfilter_graph_create_filter", f.createFilter);
    find(library, "avfilter_graph_parse_ptr", f.parse);
    find(library, "avfilter_graph_config", f.config);
    find(library, "avfilter_inout_alloc", f.inoutAlloc);
    find(library, "avfilter_inout_free", f.inoutFree);
    find(library, "av_buffersrc_add_frame_flags", f.addFrame);
    find(library, "av_buffersink_get_frame", f.getFrame);
    find(library, "av_buffersink_get_time_base", f.sinkTimeBase);
    return f;  // the library stays loaded for the rest of the process
}

}  // namespace

const FilterLibrary& filterLibrary() {
    static const FilterLibrary library = load();
    return library;
}

}  // namespace coder
