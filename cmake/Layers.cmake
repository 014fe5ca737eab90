# The layers of the program, each a static library with an include root of
# its own, linked PRIVATE to the layers it may use: a file of one layer that
# includes a header of a layer its library does not link finds no such file,
# and the build fails. A library sees the headers of its own layer and of the
# layers it links, and nothing else (not even their ui/ folders: each ui/ is
# a layer of its own).
#
# cfv_layer(NAME FOLDER [QT] SOURCES file... [USES layer...] [LIBS library...])
#   NAME    the library (cfv_containers, cfv_containers_ui, ...)
#   FOLDER  its folder under src/ ("containers", "containers/ui"): its files
#           are included as "FOLDER/name.h"
#   QT      a Qt layer (a ui/ folder, or app/)
#   SOURCES its files, relative to src/FOLDER: every .cpp, and the headers
#           of Qt classes that have no .cpp of the same name
#   USES    the layers it may use, linked PRIVATE
#   LIBS    outside libraries its headers need (PUBLIC); its sources' own
#           go to target_link_libraries(NAME PRIVATE ...) after the call
#
# The include root is ${CMAKE_BINARY_DIR}/layers/NAME. A Qt layer's holds its
# folder as one symbolic link, and its sources are compiled through that
# link, so that moc finds each header under the include root and includes it
# as "FOLDER/name.h", the same in every build folder. A Qt-free layer's holds
# a link to each of its headers and nothing of the ui/ folder beside them; a
# header added later gets its link when the build runs CMake again, which it
# does by itself (CONFIGURE_DEPENDS).
function(cfv_layer name folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "QT" "" "SOURCES;USES;LIBS")
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  set(real ${PROJECT_SOURCE_DIR}/src/${folder})
  file(REMOVE_RECURSE ${root})
  if(arg_QT)
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${real} ${root}/${folder} SYMBOLIC)
    list(TRANSFORM arg_SOURCES PREPEND ${root}/${folder}/)
  else()
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${real} ${real}/*.h)
    foreach(header IN LISTS headers)
      file(CREATE_LINK ${real}/${header} ${root}/${folder}/${header} SYMBOLIC)
    endforeach()
    list(TRANSFORM arg_SOURCES PREPEND ${real}/)
  endif()
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PRIVATE ${arg_USES} PUBLIC ${arg_LIBS})
endfunction()
