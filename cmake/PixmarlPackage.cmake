# The Debian package (`make package`, or `cpack` in a build folder): pixmarl_<version>_<arch>.deb
# installing under /usr. dpkg-shlibdeps finds the libraries the program links; the packages below
# hold what Qt loads as plugins at run time, which no linker record shows.

set(PIXMARL_PACKAGE_CONTACT "The Pixmarl developers <pixmarl@localhost.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

# xcb platform plugin; WebP, TIFF and other image readers; the SVG icon engine and image reader,
# which the desktop's icon themes need.
set(PIXMARL_PLUGIN_PACKAGES qt6-qpa-plugins qt6-image-formats-plugins libqt6svg6)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixmarl)
set(CPACK_PACKAGE_VENDOR "The Pixmarl developers")
set(CPACK_PACKAGE_CONTACT "${PIXMARL_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fast image file browser with thumbnails")
# The long description, in lines as apt shows them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Pixmarl shows the folders of the computer beside the image files of the"
    "chosen folder, as a list, a report or a grid of thumbnails made in the"
    "background. It opens images in viewer windows and slideshows, shows their"
    "headers, converts them to JPEG, GIF or BMP, and copies, moves, renames and"
    "deletes files, also by drag and drop. It reads JPEG, GIF, BMP, ICO, TIFF,"
    "PNG, WebP and AVI files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the program's files: the file list for pixmarl-uninstall and the cache refreshes that
# `cmake --install` adds have no place in a package, whose files and caches dpkg looks after.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};pixmarl;Program;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
list(JOIN PIXMARL_PLUGIN_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
# Icons for the toolbar and dialogs from the desktop's theme; xdg-open for the help page and "Open".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "adwaita-icon-theme | breeze-icon-theme, xdg-utils")

include(CPack)
