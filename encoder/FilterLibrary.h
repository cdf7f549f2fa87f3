// SPDX-License-Identifier: GPL-3.0-or-later
// The video filters' library, loaded when the first video filter chain is built. Loading it
// and the many libraries that it needs takes a sizeable share of a short conversion's time
// and memory, and audio-only conversions do without it.
#pragma once

#include "Av.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace coder {

// Every function taken from the library: the member that holds it and its name there. The
// package's dependency on the library is computed from this list as well (FilterNeeds.cpp).
#define CODER_FILTER_FUNCTIONS(X)                 \
    X(getByName, avfilter_get_by_name)            \
    X(graphAlloc, avfilter_graph_alloc)           \
    X(graphFree, avfilter_graph_free)             \
    X(createFilter, avfilter_graph_create_filter) \
    X(parse, avfilter_graph_parse_ptr)            \
    X(config, avfilter_graph_config)              \
    X(inoutAlloc, avfilter_inout_alloc)           \
    X(inoutFree, avfilter_inout_free)             \
    X(addFrame, av_buffersrc_add_frame_flags)     \
    X(close, av_buffersrc_close)                  \
    X(getFrame, av_buffersink_get_frame)          \
    X(sinkTimeBase, av_buffersink_get_time_base)

struct FilterLibrary {
#define CODER_FILTER_MEMBER(member, function) decltype(&function) member;
    CODER_FILTER_FUNCTIONS(CODER_FILTER_MEMBER)
#undef CODER_FILTER_MEMBER
};

// Loads the library on first use; throws Failure when it is missing.
const FilterLibrary& filterLibrary();

}  // namespace coder
