# cmake -DBUILD_DIR=... -DSTAGE_DIR=... -P StageInstall.cmake
# Installs component `utility` of the build, stripped as the packages are, into
# STAGE_DIR (DESTDIR, prefix /usr), where tst_package_contents scans it.
file(REMOVE_RECURSE "${STAGE_DIR}")
set(ENV{DESTDIR} "${STAGE_DIR}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component utility --prefix /usr --strip
    OUTPUT_QUIET
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "installing component utility of ${BUILD_DIR} into ${STAGE_DIR} failed: ${result}")
endif()
