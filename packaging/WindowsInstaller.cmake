# The Windows program and its installer (make windows, or cpack -G NSIS in
# the build folder): Zorvane-1.0-win64.exe, a 64-bit NSIS installer into
# Program Files\Zorvane, where the program, its converter Bmp2Jpeg.dll, Qt's
# DLLs with the platform and style plugins and the MinGW runtime stand side
# by side, all stripped; a Start-menu shortcut, and an uninstaller that
# removes the folder, the shortcut and the program's settings in the
# registry.

# A Windows GUI program: no console window opens with it.
set_target_properties(zorvane PROPERTIES WIN32_EXECUTABLE ON)

# The program's icon, made at build time from the icons of the windows (16
# pixels scaled down from 32): the icon of the file, its shortcut and the
# installer.
find_program(ZORVANE_CONVERT_EXECUTABLE convert REQUIRED)
set(icons ${PROJECT_SOURCE_DIR}/ui/icons)
set(icon_file ${CMAKE_CURRENT_BINARY_DIR}/zorvane.ico)
add_custom_command(OUTPUT ${icon_file}
                   COMMAND ${ZORVANE_CONVERT_EXECUTABLE}
                           ( ${icons}/zorvane-32.png -resize 16x16 ) ${icons}/zorvane-32.png
                           ${icons}/zorvane-48.png ${icons}/zorvane-64.png ${icons}/zorvane-128.png
                           ${icons}/zorvane-256.png ${icon_file}
                   DEPENDS ${icons}/zorvane-32.png ${icons}/zorvane-48.png ${icons}/zorvane-64.png
                           ${icons}/zorvane-128.png ${icons}/zorvane-256.png
                   COMMENT "Making the program's icon zorvane.ico"
                   VERBATIM)
add_custom_target(zorvane_icon DEPENDS ${icon_file})
add_dependencies(zorvane zorvane_icon)
set(ZORVANE_ICON_FILE ${icon_file})
string(REPLACE "." "," ZORVANE_VERSION_COMMAS "${PROJECT_VERSION}.0.0")
configure_file(zorvane.rc.in zorvane.rc @ONLY)
target_sources(zorvane PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/zorvane.rc)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/zorvane.rc TARGET_DIRECTORY zorvane
                            PROPERTIES OBJECT_DEPENDS ${icon_file})

install(TARGETS zorvane Bmp2Jpeg RUNTIME DESTINATION . COMPONENT zorvane)
# Qt's DLLs, and its plugins in the folders where Qt looks beside the
# program: the windows platform and the windowsvista style (Windows
# printing is part of Qt6PrintSupport.dll itself).
foreach(module IN ITEMS Core Gui Widgets PrintSupport)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION . COMPONENT zorvane)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms COMPONENT zorvane)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles COMPONENT zorvane)
install(FILES ${ZORVANE_MINGW_RUNTIME_DLLS} DESTINATION . COMPONENT zorvane)
# Every program file stripped, Qt's and MinGW's too.
install(CODE "
    file(GLOB_RECURSE binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\"
                               \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.exe\")
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \${binaries} COMMAND_ERROR_IS_FATAL ANY)
" COMPONENT zorvane)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Zorvane)
set(CPACK_PACKAGE_VENDOR Zorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firdaria reading: the medieval time lords of a life")
set(CPACK_PACKAGE_FILE_NAME Zorvane-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Zorvane)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Zorvane)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# NSIS makes 32-bit installers unless told otherwise; this one is 64-bit and
# installs into the 64-bit Program Files.
set(CPACK_NSIS_DEFINES "Unicode true\nTarget amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Zorvane)
set(CPACK_NSIS_DISPLAY_NAME "Zorvane ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON ${icon_file})
set(CPACK_NSIS_MUI_UNIICON ${icon_file})
set(CPACK_NSIS_INSTALLED_ICON_NAME zorvane.exe)
set(CPACK_NSIS_URL_INFO_ABOUT ${ZORVANE_URL_HOME})
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The Start-menu shortcut "Zorvane"; the program stands at the top of the
# installed folder, not in bin.
set(CPACK_PACKAGE_EXECUTABLES zorvane Zorvane)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# The one setting the program writes (the date of the last update reminder,
# under HKEY_CURRENT_USER\Software\Zorvane) goes with it.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "DeleteRegKey HKCU \\\"Software\\\\Zorvane\\\"")
set(CPACK_STRIP_FILES ON)

include(CPack)
