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

# Wine runs the tests and the build's other Windows programs, through a script of the build's
# own that gives them the build's prefix (cmake/wine-run.sh.in).
if(VM_WINE)
    get_filename_component(vm_wine_dir ${VM_WINE} DIRECTORY)
    find_program(VM_WINESERVER NAMES wineserver wineserver64 HINTS ${vm_wine_dir} REQUIRED)
    set(VM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
