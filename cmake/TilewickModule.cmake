# One static library per module. A module's headers are published under its own include root
# (build/include/<target>/<path below src>), as symbolic links to the sources, and a target sees
# only the roots of the modules it links. So an include that goes against the layers fails to build:
# nothing of ours is reachable through a shared `src/` include path.
#
#   tilewick_module(<target> DIR <folder below src> [EXCLUDE <regex>...] [TOP_LEVEL_ONLY]
#                   [PUBLIC <targets>...] [PRIVATE <targets>...])
#
# DIR's .h/.cpp files (recursively) are the module's sources; EXCLUDE drops matching paths (another
# module's subfolders). TOP_LEVEL_ONLY takes only the folder's own headers, not its subfolders'.

# Qt's headers are most of every translation unit's compile time: each target parses these once.
# A module that sees Qt Widgets (directly or through a module it links) gets its headers too.
set(TILEWICK_PRECOMPILED
  <QtCore/QObject> <QtCore/QString> <QtCore/QList> <QtCore/QHash> <QtCore/QTimer>
  <QtGui/QPainter> <QtGui/QPainterPath> <QtGui/QColor> <QtGui/QImage> <QtGui/QFont>
  <functional> <memory> <optional> <vector>)
set(TILEWICK_PRECOMPILED_WIDGETS <QtWidgets/QWidget> <QtWidgets/QGraphicsItem>)

function(tilewick_module target)
  cmake_parse_arguments(M "TOP_LEVEL_ONLY" "DIR" "EXCLUDE;PUBLIC;PRIVATE" ${ARGN})
  set(dir ${CMAKE_SOURCE_DIR}/src/${M_DIR})
  if(M_TOP_LEVEL_ONLY)
    file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.h ${dir}/*.cpp)
  else()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.h ${dir}/*.cpp)
  endif()
  foreach(pattern IN LISTS M_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()

  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.h$")
      file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/src ${source})
      get_filename_component(parent ${root}/${rel} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${source} ${root}/${rel} SYMBOLIC)
    endif()
  endforeach()

  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${root})
  target_compile_options(${target} PRIVATE ${TILEWICK_WARNINGS})
  target_link_libraries(${target} PUBLIC ${M_PUBLIC} PRIVATE ${M_PRIVATE})

  set(widgets FALSE)
  foreach(dependency IN LISTS M_PUBLIC M_PRIVATE)
    if(dependency STREQUAL "Qt6::Widgets")
      set(widgets TRUE)
    elseif(TARGET ${dependency})
      get_target_property(sees ${dependency} TILEWICK_SEES_WIDGETS)
      if(sees)
        set(widgets TRUE)
      endif()
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES TILEWICK_SEES_WIDGETS ${widgets})
  if(widgets)
    target_precompile_headers(${target} PRIVATE ${TILEWICK_PRECOMPILED} ${TILEWICK_PRECOMPILED_WIDGETS})
  else()
    target_precompile_headers(${target} PRIVATE ${TILEWICK_PRECOMPILED})
  endif()
endfunction()
