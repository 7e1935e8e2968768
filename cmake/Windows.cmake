# What the Windows build (make windows: MinGW-w64 with the Qt prefix of
# scripts/windows-toolchain) sets before the libraries and programs are made.

# Windows names a library by its own name: Bmp2Jpeg.dll, as the program
# looks for it beside itself.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")

# The converter links TurboJPEG as libjpeg-turbo::turbojpeg. The toolchain
# prefix holds only its static library, which stands in for it, so that
# Bmp2Jpeg.dll carries TurboJPEG and needs no DLL of its own.
find_package(libjpeg-turbo CONFIG REQUIRED)
if(NOT TARGET libjpeg-turbo::turbojpeg)
    add_library(libjpeg-turbo::turbojpeg INTERFACE IMPORTED GLOBAL)
    target_link_libraries(libjpeg-turbo::turbojpeg INTERFACE libjpeg-turbo::turbojpeg-static)
endif()

# Built on Linux, the programs and tests run under Wine: CTest starts every
# test program through scripts/wine-run, which gives Wine a private prefix in
# the build folder (made once by the test wine_prefix) and finds Qt's DLLs
# and plugins and the MinGW runtime.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_HOST_WIN32)
    get_filename_component(ZORVANE_QT_PREFIX ${Qt6_DIR}/../../.. ABSOLUTE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                    OUTPUT_VARIABLE mingw_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                    OUTPUT_VARIABLE mingw_threads OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(mingw_runtime_dir ${mingw_runtime} DIRECTORY)
    get_filename_component(mingw_threads_dir ${mingw_threads} DIRECTORY)
    # The DLLs every program needs besides Qt's: the C++ runtime, its
    # exception unwinder and the threads library (also shipped by the
    # installer).
    set(ZORVANE_MINGW_RUNTIME_DLLS
        ${mingw_runtime_dir}/libstdc++-6.dll
        ${mingw_runtime_dir}/libgcc_s_seh-1.dll
        ${mingw_threads_dir}/libwinpthread-1.dll)
    foreach(dll IN LISTS ZORVANE_MINGW_RUNTIME_DLLS)
        if(NOT EXISTS ${dll})
            message(FATAL_ERROR "MinGW runtime DLL not found: ${dll} (g++-mingw-w64-x86-64-posix)")
        endif()
    endforeach()
    set(ZORVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine)
    set(ZORVANE_WINE_PATH "${ZORVANE_QT_PREFIX}/bin:${mingw_runtime_dir}:${mingw_threads_dir}")
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE
                   @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
