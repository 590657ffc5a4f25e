# `make package`: a Debian package of the installation under /usr. dpkg-shlibdeps reads the
# programs and the module, so the dependencies are the shared libraries they really link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "${VELDRIN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELDRIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "HTML catalogue maker for folders of pictures")
# The summary is the first line of the control file's description; this is the long part.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "VELDRIN turns a folder of pictures into a Shift_JIS HTML catalogue: the
pictures themselves, thumbnails that link to them (optionally in a table
with file details and a pop-up window sized to the picture), or a list of
file names. Lists can be split into parts with an index or wrapped in a
frame set, and real JPEG thumbnail files can be written beside the pictures.
.
The package holds the desktop program veldrin, with a Japanese user
interface, and the command-line program veldrin-cli for batch use.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack's reason for its ldconfig calls, and why they are harmless here.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME veldrin)
include(CPack)
