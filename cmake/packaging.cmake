# Install rules and the packages made from them with CPack (scripts/package.sh):
#   Linux:   a .deb with the four programs, the udev rule, the menu entry, the icon, the docs;
#   Windows: a zip with the three programs, a README for Windows users and the licence.
# The version is the project's.
set(CPACK_PACKAGE_NAME zr8-test-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ORVAN")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bench test tool of the ORVAN ZR8 cockpit panels")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/packages)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE.txt)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND TARGET zr8-test-tool AND TARGET zr8-monitor)
    include(GNUInstallDirs)
    install(TARGETS zr8-test-tool zr8-monitor zr8-decode zr8-panel-sim
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Where udev reads the rules that packages bring; /etc/udev/rules.d is the administrator's.
    install(FILES ${PROJECT_SOURCE_DIR}/link/posix/60-zr8-ftdi.rules
        DESTINATION lib/udev/rules.d)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/zr8-test-tool.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

    # The icon group's 32-bit images, one per size, in the hicolor theme.
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
    set(zr8_icon_sizes 16 24 32 48 64 72 128 256)
    set(zr8_icon_dir ${CMAKE_BINARY_DIR}/icons)
    set(zr8_icon_files)
    foreach(size ${zr8_icon_sizes})
        list(APPEND zr8_icon_files ${zr8_icon_dir}/${size}x${size}.png)
        install(FILES ${zr8_icon_dir}/${size}x${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME zr8-test-tool.png)
    endforeach()
    add_custom_command(OUTPUT ${zr8_icon_files}
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/linux/icon_pngs.py
                ${PROJECT_SOURCE_DIR}/resources/toolsicon.ico ${zr8_icon_dir}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/linux/icon_pngs.py ${PROJECT_SOURCE_DIR}/tools/artgen/artgen.py
                ${PROJECT_SOURCE_DIR}/resources/toolsicon.ico
        COMMENT "Icon images for the desktop's icon theme"
        VERBATIM)
    add_custom_target(zr8_icons ALL DEPENDS ${zr8_icon_files})

    install(FILES ${PROJECT_SOURCE_DIR}/docs/monitor.md ${PROJECT_SOURCE_DIR}/docs/capture-format.md
                  ${PROJECT_SOURCE_DIR}/link/posix/PORTS.md ${PROJECT_SOURCE_DIR}/LICENSE.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zr8-test-tool)

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ORVAN ZR8 tool developers <zr8-test-tool@orvan.invalid>")
    # The long description; CPack puts the summary in front as the short one.
    string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Finds the panel's mainboard on a COM port or an FTDI USB adapter, shows live every\n"
        "switch, selector, trim wheel and lever the panel modules report, lists the modules\n"
        "with their versions and drives the outputs. With zr8-monitor for terminals and\n"
        "end-of-line checks, zr8-decode for recorded streams and zr8-panel-sim, a virtual\n"
        "mainboard on a pty.")
    set(CPACK_STRIP_FILES ON)
    # The libraries the programs link, as Debian's packages provide them.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    include(CPack)
elseif(WIN32 AND TARGET zr8-test-tool AND TARGET zr8-monitor)
    install(TARGETS zr8-test-tool zr8-monitor zr8-decode RUNTIME DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
                  ${PROJECT_SOURCE_DIR}/LICENSE.txt
        DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME zr8-test-tool-${PROJECT_VERSION}-windows-x64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    include(CPack)
endif()
