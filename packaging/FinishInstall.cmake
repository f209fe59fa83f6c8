# Runs at the end of `cmake --install`, never for the package (whose file list dpkg keeps and whose
# caches dpkg's triggers refresh). Expects PIXMARL_DATADIR, relative to the prefix.
#
# Lists the files this installation put in place (as they lie on the target system, without
# DESTDIR) for pixmarl-uninstall. Writes nothing into the build folder, so an install run by root
# leaves it the user's.
set(files ${CMAKE_INSTALL_MANIFEST_FILES})
list(REMOVE_DUPLICATES files)
list(JOIN files "\n" content)
set(share "${CMAKE_INSTALL_PREFIX}/${PIXMARL_DATADIR}")
set(manifest "${share}/pixmarl/install-manifest.txt")
message(STATUS "Installing: $ENV{DESTDIR}${manifest}")
file(WRITE "$ENV{DESTDIR}${manifest}" "${content}\n")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${manifest}")

# File managers find the programs for a file type in the folder's MIME cache: refreshing it makes
# "Open with Pixmarl" appear at once. A staged install (DESTDIR) leaves that to whoever installs
# the stage. The icon cache is refreshed only where the prefix keeps one.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
    return()
endif()
find_program(update_desktop_database update-desktop-database)
if(update_desktop_database)
    execute_process(COMMAND ${update_desktop_database} -q "${share}/applications")
endif()
find_program(gtk_update_icon_cache gtk-update-icon-cache)
if(gtk_update_icon_cache AND EXISTS "${share}/icons/hicolor/icon-theme.cache")
    execute_process(COMMAND ${gtk_update_icon_cache} -q -f "${share}/icons/hicolor")
endif()
