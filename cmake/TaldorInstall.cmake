# Install layout and package. The application directory holds everything the
# program finds beside itself: executable, libraries, the discovery library,
# Setup.xml, translations/, plugins/skins/ and the manual. On Linux it lies
# under lib/taldor-ip-utility with a launcher link, a desktop entry and an
# icon; the command-line tool taldor-ip lies beside the program with a link
# and a man page; `cpack -G DEB` packages it.
include(GNUInstallDirs)

if(WIN32)
    set(TALDOR_APP_DIR .)
else()
    set(TALDOR_APP_DIR ${CMAKE_INSTALL_LIBDIR}/taldor-ip-utility)
endif()

set(taldor_app_targets TaldorIPUtility TaldorShell controls zel Lumo lumo-devsim lumo-seccode taldor-ip)
set_target_properties(${taldor_app_targets} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS ${taldor_app_targets}
    RUNTIME DESTINATION ${TALDOR_APP_DIR} COMPONENT utility
    LIBRARY DESTINATION ${TALDOR_APP_DIR} COMPONENT utility
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
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
    # A portable zip of the program folder.
    set(CPACK_GENERATOR ZIP)
    # Only the program folder, without the import libraries.
    set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};utility;/")
    set(CPACK_SYSTEM_NAME win64)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
include(CPack)
