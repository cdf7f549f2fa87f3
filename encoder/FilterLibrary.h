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

struct FilterLibrary {
    decltype(&avfilter_get_by_name) getByName;
    decltype(&avfilter_graph_alloc) graphAlloc;
    decltype(&avfilter_graph_free) graphFree;
    decltype(&avfilter_graph_create_filter) createFilter;
    decltype(&avfilter_graph_parse_ptr) parse;
    decltype(&avfilter_graph_config) config;
    decltype(&avfilter_inout_alloc) inoutAlloc;
    decltype(&avfilter_inout_free) inoutFree;
    decltype(&av_buffersrc_add_frame_flags) addFrame;
    decltype(&av_buffersink_get_frame) getFrame;
    decltype(&av_buffersink_get_time_base) sinkTimeBase;
};

// Loads the library on first use; throws Failure when it is missing.
const FilterLibrary& filterLibrary();

}  // namespace coder
