# SPDX-License-Identifier: GPL-3.0-or-later
# A Windows build's bin/ runs as the program folder does: Qt's DLLs, the MinGW runtime's and the
# Qt plugins that the programs and the tests load lie beside them (copied when the build is
# configured; tools/build-windows.sh lays out the shipped folder from the same places).
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-libgcc-file-name
                OUTPUT_VARIABLE vm_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(vm_gcc_libs "${vm_libgcc}" DIRECTORY)
set(vm_runtime_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    find_file(vm_dll_${dll} ${dll} PATHS ${vm_gcc_libs} /usr/${VM_MINGW}/lib NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH)
    if(vm_dll_${dll})
        list(APPEND vm_runtime_dlls ${vm_dll_${dll}})
    endif()
endforeach()
file(GLOB vm_qt_dlls ${VM_WINDOWS_PREFIX}/bin/Qt6*.dll)
file(COPY ${vm_runtime_dlls} ${vm_qt_dlls} DESTINATION ${VM_BIN_DIR})
file(COPY ${VM_WINDOWS_PREFIX}/plugins/platforms/qwindows.dll
          ${VM_WINDOWS_PREFIX}/plugins/platforms/qoffscreen.dll
     DESTINATION ${VM_BIN_DIR}/platforms)
file(GLOB vm_qt_styles ${VM_WINDOWS_PREFIX}/plugins/styles/*.dll)
file(COPY ${vm_qt_styles} DESTINATION ${VM_BIN_DIR}/styles)

# Programs built outside bin/ find those DLLs under Wine through WINEPATH.
string(REPLACE "/" "\\" VM_WINEPATH "Z:${VM_BIN_DIR}")
