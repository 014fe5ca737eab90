# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) once the files are installed in the
# staging folder and before the package is made of them: adds what a Debian
# package has beside the programs, and makes every byte and date depend on
# the sources only.

# The date of everything in the package: SOURCE_DATE_EPOCH when the builder
# sets it, else the last commit's time, else that of the top CMakeLists.txt
# (sources without their history). Setting it here also makes the DEB
# generator date the archive members with it.
if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(epoch "")
  find_program(CFV_GIT git)
  if(CFV_GIT)
    execute_process(COMMAND "${CFV_GIT}" -C "${CPACK_CFV_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    file(TIMESTAMP "${CPACK_CFV_SOURCE_DIR}/CMakeLists.txt" epoch "%s" UTC)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
set(epoch "$ENV{SOURCE_DATE_EPOCH}")

# The staging folder holds the tree from / (usr/...).
set(root "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT IS_DIRECTORY "${root}/usr/bin")
  message(FATAL_ERROR "PackageStaging: no usr/bin in the staging folder ${root}")
endif()
set(doc "${root}/usr/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")

# gzip -9n: the best compression, and neither the file's name nor its time
# in the header, as Debian's tools compress.
function(gzip_file from to)
  execute_process(COMMAND gzip -9n INPUT_FILE "${from}" OUTPUT_FILE "${to}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "PackageStaging: gzip ${from} failed")
  endif()
endfunction()

# Man pages are installed compressed.
file(GLOB_RECURSE pages "${root}/usr/share/man/*.[1-9]")
foreach(page IN LISTS pages)
  gzip_file("${page}" "${page}.gz")
  file(REMOVE "${page}")
endforeach()

file(COPY_FILE "${CPACK_CFV_COPYRIGHT}" "${doc}/copyright")

# A native package's changelog: one entry for the version, dated as the rest.
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${doc}/changelog"
     "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
     "  * Tazor Custom File Viewer ${CPACK_PACKAGE_VERSION}.\n\n"
     " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}\n")
gzip_file("${doc}/changelog" "${doc}/changelog.gz")
file(REMOVE "${doc}/changelog")

# Permissions as Debian wants them whatever the builder's umask: folders and
# programs rwxr-xr-x, the rest rw-r--r--.
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${root}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${entry}" OR entry MATCHES "/usr/bin/[^/]+$")
    file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                      WORLD_READ WORLD_EXECUTE)
  else()
    file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
endforeach()
# Every file dated with the commit, for archives that keep file times.
execute_process(COMMAND find "${root}" -exec touch --no-dereference --date=@${epoch} {} +
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "PackageStaging: could not date the staged files")
endif()
