# SPDX-License-Identifier: GPL-3.0-or-later
# The encoder on a POSIX system: FFmpeg's shared libraries, the filter library loaded at run
# time by the video only (FilterLibrary.h).
pkg_check_modules(LIBAV REQUIRED IMPORTED_TARGET
    libavformat libavcodec libswscale libswresample libavutil)
# The filter library's headers...
pkg_check_modules(LIBAVFILTER REQUIRED libavfilter)
# ...and the name to load it by: the soname of the library those headers came with.
find_program(VM_OBJDUMP objdump REQUIRED)
find_library(VM_AVFILTER_LIBRARY avfilter HINTS ${LIBAVFILTER_LIBRARY_DIRS} REQUIRED)
execute_process(COMMAND ${VM_OBJDUMP} -p ${VM_AVFILTER_LIBRARY} OUTPUT_VARIABLE dynamic
                RESULT_VARIABLE failed)
string(REGEX MATCH "SONAME +([^ \n]+)" found "${dynamic}")
set(VM_AVFILTER_SONAME "${CMAKE_MATCH_1}" CACHE INTERNAL "The filter library's soname")
string(REGEX MATCH "^[0-9]+" major "${LIBAVFILTER_VERSION}")
if(failed OR NOT VM_AVFILTER_SONAME MATCHES "\\.so\\.${major}$")
    message(FATAL_ERROR "${VM_AVFILTER_LIBRARY} (soname '${VM_AVFILTER_SONAME}') does not "
                        "match the libavfilter ${LIBAVFILTER_VERSION} headers")
endif()
message(STATUS "The encoder loads the video filters as ${VM_AVFILTER_SONAME}")
set(CODER_SYSTEM_DEFINITIONS CODER_AVFILTER_SONAME="${VM_AVFILTER_SONAME}")

set(CODER_SYSTEM_SOURCES
    posix/Startup.cpp
    posix/ThreadName.cpp
    posix/SystemError.cpp
    posix/SourceFile.cpp
    posix/PendingFile.cpp posix/Placement.cpp posix/PendingState.h
    posix/PartFiles.cpp posix/PartFiles.h
    posix/SignalRemoval.cpp posix/SignalRemoval.h
    posix/FilterLibrary.cpp)
set(CODER_SYSTEM_LIBRARIES PkgConfig::LIBAV ${CMAKE_DL_LIBS})
set(CODER_SYSTEM_LINK_OPTIONS)

# Never installed: what the package's dependency on the filter library is computed from
# (dist/PackageDepends.cmake.in). Linked without the C library: the filter library is all
# it needs.
add_library(coder_filter_needs SHARED FilterNeeds.cpp FilterLibrary.h)
target_include_directories(coder_filter_needs PRIVATE ${LIBAVFILTER_INCLUDE_DIRS})
target_link_libraries(coder_filter_needs PRIVATE ${VM_AVFILTER_LIBRARY})
target_link_options(coder_filter_needs PRIVATE -nostdlib LINKER:--no-as-needed)
set_target_properties(coder_filter_needs PROPERTIES AUTOMOC OFF
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
