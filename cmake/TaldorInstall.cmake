# Install layout and package. The application directory holds everything the
# program finds beside itself: executable, libraries, the discovery library,
# Setup.xml, translations/, plugins/skins/ and the manual. On Linux it lies
# under lib/taldor-ip-utility with a launcher link, a desktop entry and an
# icon; the command-line tool taldor-ip lies beside the program with a link
# and a man page; `cpack -G DEB` packages it.
#
# The device simulator and lumo-seccode stand for the devices' factory and the
# maker's code service: both hold the demo issuing key from which reset
# secrets are derived, so that anyone holding them can restore any device's
# default password. They are no part of the program: component `demo`, in a
# folder of their own, packaged apart on Linux (taldor-ip-utility-demo) and not
# at all on Windows.
include(GNUInstallDirs)

if(WIN32)
    set(TALDOR_APP_DIR .)
else()
    set(TALDOR_APP_DIR ${CMAKE_INSTALL_LIBDIR}/taldor-ip-utility)
endif()

set(taldor_app_targets TaldorIPUtility TaldorShell controls zel Lumo taldor-ip)
set_target_properties(${taldor_app_targets} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${taldor_app_targets}
    RUNTIME DESTINATION ${TALDOR_APP_DIR} COMPONENT utility
    LIBRARY DESTINATION ${TALDOR_APP_DIR} COMPONENT utility
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
if(NOT WIN32)
    install(TARGETS lumo-devsim lumo-seccode
        RUNTIME DESTINATION ${CMAKE_INSTALL_LIBDIR}/taldor-ip-utility-demo COMPONENT demo)
endif()
install(TARGETS DarkSkin LIBRARY DESTINATION ${TALDOR_APP_DIR}/plugins/skins COMPONENT utility)
install(FILES ${PROJECT_SOURCE_DIR}/shell/Setup.xml DESTINATION ${TALDOR_APP_DIR} COMPONENT utility)
install(FILES ${TALDOR_QM_FILES} DESTINATION ${TALDOR_APP_DIR}/translations COMPONENT utility)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/manual DESTINATION ${TALDOR_APP_DIR} COMPONENT utility)

if(UNIX AND NOT APPLE)
    install(CODE "
        file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        execute_process(COMMAND \${CMAKE_COMMAND} -E create_symlink
            ../${TALDOR_APP_DIR}/TaldorIPUtility
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/taldor-ip-utility\")
        execute_process(COMMAND \${CMAKE_COMMAND} -E create_symlink
            ../${TALDOR_APP_DIR}/taldor-ip
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/taldor-ip\")"
        COMPONENT utility)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/taldor-ip.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT utility)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/taldor-ip-utility.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT utility)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/images/title/LUMOEye.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME taldor-ip-utility.svg COMPONENT utility)
endif()

if(WIN32)
    # The Qt runtime beside the program, laid out as Qt looks for it there: its
    # DLLs, the one MinGW runtime DLL they share, the platform plugin and the
    # native Windows style.
    install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
        $<TARGET_FILE:Qt6::Network>
        DESTINATION ${TALDOR_APP_DIR} COMPONENT utility)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
        OUTPUT_VARIABLE taldor_winpthread OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(EXISTS "${taldor_winpthread}")
        install(FILES ${taldor_winpthread} DESTINATION ${TALDOR_APP_DIR} COMPONENT utility)
    endif()
    install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
        DESTINATION ${TALDOR_APP_DIR}/platforms COMPONENT utility)
    if(TARGET Qt6::QWindowsVistaStylePlugin)
        install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
            DESTINATION ${TALDOR_APP_DIR}/styles COMPONENT utility)
    endif()
    # Installed as files, the Qt runtime is not stripped with the targets; a
    # stripped install (cmake --install --strip, the packages) strips it too.
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            file(GLOB_RECURSE taldor_runtime_dlls
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/Qt6*.dll\"
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/platforms/*.dll\"
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/styles/*.dll\")
            foreach(dll IN LISTS taldor_runtime_dlls)
                execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\")
            endforeach()
        endif()"
        COMPONENT utility)
endif()

set(CPACK_PACKAGE_NAME taldor-ip-utility)
set(CPACK_PACKAGE_VENDOR "Taldor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds and sets up the IP cameras and video encoders of the K-VNT line")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Taldor IP Utility")
set(CPACK_PACKAGE_CONTACT "Taldor IP Utility maintainers <maintainers@taldor.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(WIN32)
    # A portable zip of the program folder and an installer built with NSIS
    # (makensis runs on Linux as well): into Program Files, with a Start-menu
    # entry and an uninstaller that removes every file it installed.
    set(CPACK_GENERATOR "ZIP;NSIS")
    # Only the program folder, without the import libraries.
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};utility;/")
    set(CPACK_SYSTEM_NAME win64)
    # A 64-bit installer for a 64-bit program: it also runs where 32-bit
    # programs cannot, as on a Wine without 32-bit support.
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_NSIS_PACKAGE_NAME "Taldor IP Utility")
    set(CPACK_NSIS_DISPLAY_NAME "Taldor IP Utility")
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_PACKAGE_EXECUTABLES "TaldorIPUtility;Taldor IP Utility")
    set(CPACK_NSIS_INSTALLED_ICON_NAME TaldorIPUtility.exe)
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/TaldorIPUtility.ico)
    set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/TaldorIPUtility.ico)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    # Two packages: the program (taldor-ip-utility) and, apart, the demo
    # simulator and code issuer (taldor-ip-utility-demo).
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_ALL utility demo)
    set(CPACK_DEBIAN_UTILITY_PACKAGE_NAME taldor-ip-utility)
    set(CPACK_DEBIAN_DEMO_PACKAGE_NAME taldor-ip-utility-demo)
    set(CPACK_DEBIAN_DEMO_DESCRIPTION "Demo device simulator and code issuer for the Taldor IP Utility
lumo-devsim simulates a fleet of devices on the local network and lumo-seccode
issues the codes that restore their default passwords. Both hold the same demo
issuing key, published with the sources: for trying the utility and for tests
only. Not needed by the utility, which never starts them.")
endif()
include(CPack)
