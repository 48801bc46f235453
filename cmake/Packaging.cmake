# The Debian package: cpack -G DEB in a build configured for it (make package).
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VENDOR "The Quillmere developers")
set(CPACK_PACKAGE_CONTACT "The Quillmere developers <quillmere@users.noreply.github.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "document the table designs of Access databases in workbooks")
set(CPACK_PACKAGE_DESCRIPTION
"Quillmere documents the table designs of an Access database (an .mdb or
an .accdb file: Jet 3, Jet 4 or the 2007 format) in a spreadsheet workbook:
one formatted sheet per table with its name and times, then one row per
field with its name, data type name, size and key mark. The database is
only ever read; the workbook opens in the desktop's spreadsheet
application. The user interface is Japanese.

The commands quillmere-catalog-dump and quillmere-make-workbook do the same
from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# No debug information in the package, as Debian's own packages.
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)
# quillmere_1.0.1_amd64.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
# The libraries the executables link, found by dpkg-shlibdeps, and Qt's own
# Japanese texts for its dialogs, which no executable links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
# The workbook opens in a spreadsheet application through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-calc | gnumeric, xdg-utils")

include(CPack)
