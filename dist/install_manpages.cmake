# Runs at install time: fills the installed paths into the manual pages, gzips them as Debian wants
# (maximum compression, no time stamp) and installs them.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(PROJECT_VERSION "${VELDRIN_VERSION}")
set(CMAKE_INSTALL_FULL_BINDIR "${prefix}/${VELDRIN_BINDIR}")
set(CMAKE_INSTALL_FULL_DOCDIR "${prefix}/${VELDRIN_DOCDIR}")
set(VELDRIN_FULL_MODULE_DIR "${prefix}/${VELDRIN_MODULE_DIR}")
file(READ "${VELDRIN_MAN_SOURCE_DIR}/settings-keys.roff" VELDRIN_SETTINGS_KEYS)
string(STRIP "${VELDRIN_SETTINGS_KEYS}" VELDRIN_SETTINGS_KEYS)

# One work folder per destination: installs into different places may run at the same time.
string(MD5 destination "$ENV{DESTDIR}${prefix}")
string(APPEND VELDRIN_MAN_WORK_DIR "/${destination}")
file(MAKE_DIRECTORY "${VELDRIN_MAN_WORK_DIR}")
set(pages)
foreach(page veldrin veldrin-cli)
    configure_file("${VELDRIN_MAN_SOURCE_DIR}/${page}.1.in" "${VELDRIN_MAN_WORK_DIR}/${page}.1" @ONLY)
    execute_process(COMMAND gzip -9nf "${page}.1" WORKING_DIRECTORY "${VELDRIN_MAN_WORK_DIR}"
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "gzip failed on ${page}.1")
    endif()
    list(APPEND pages "${VELDRIN_MAN_WORK_DIR}/${page}.1.gz")
endforeach()
file(INSTALL ${pages} DESTINATION "${prefix}/${VELDRIN_MANDIR}/man1"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
