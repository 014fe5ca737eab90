# The Debian package: `cpack -G DEB` in a release build folder makes
# tazor-custom-file-viewer_<version>_<arch>.deb from what `cmake --install`
# puts in (the two programs, the man page, the bash completion, the desktop
# entry, the MIME type and the icon), under /usr. The layer libraries are
# static, so the programs need nothing of ours beside them.
#
# Two builds from the same commit give the same bytes: the compiler maps the
# source and build folders away (top-level CMakeLists.txt), resources carry
# no file times (src/app), and PackageStaging.cmake dates every file with
# the commit's time (or SOURCE_DATE_EPOCH) and compresses the man page and
# the changelog without names or times. scripts/check-package checks it.

set(CPACK_PACKAGE_NAME tazor-custom-file-viewer)
set(CPACK_PACKAGE_VENDOR "Tazor Custom File Viewer maintainers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and extractor for Tazor custom files")
# Lines of at most 80 characters, as in the package's control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "A desktop viewer for the game's custom files (.god, .item, .npc, .cwd):"
       "containers of named entries, some nested, some zlib- or gzip-compressed."
       "It shows the entries in a tree, previews bitmaps, sounds and text, and"
       "exports the checked entries with extensions corrected from their content."
       "The package also holds tazor-cfv, the same core as a command-line tool for"
       "scripts: list, cat, info and export.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# One thread: multi-threaded xz splits the stream by thread count.
set(CPACK_THREADS 1)

set(CFV_PACKAGE_MAINTAINER "Tazor Custom File Viewer maintainers <maintainers@tazor-cfv.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CFV_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# The libraries the programs link (Qt, SDL2_mixer, zlib, the C++ runtime)
# come from dpkg-shlibdeps. What is loaded by name or path at run time it
# cannot see: Qt's platform plugins, Qt's SVG plugins (the program's icon is
# an SVG; the viewer uses no Qt SVG class itself, so the link drops the
# library), Qt's own Japanese texts, the General MIDI sound font behind
# /usr/share/sounds/sf2/default-GM.sf2, and the fonts the settings' Windows
# faces are drawn with (src/settings/ui/font_conversion.cpp).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, qt6-translations-l10n, timgm6mb-soundfont | sf2-soundfont-gm, \
fonts-noto-cjk, fonts-liberation2, fonts-dejavu-core")

# What PackageStaging.cmake reads when cpack runs.
set(CPACK_CFV_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
set(CPACK_CFV_COPYRIGHT "${PROJECT_SOURCE_DIR}/packaging/copyright")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/PackageStaging.cmake")

include(CPack)
