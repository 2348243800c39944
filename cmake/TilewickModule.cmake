# One static library per module. A module's headers are published under its own include root
# (build/include/<target>/<path below src>), as symbolic links to the sources, and a target sees
# only the roots of the modules it links. So an include that goes against the layers fails to build:
# nothing of ours is reachable through a shared `src/` include path.
#
#   tilewick_module(<target> DIR <folder below src> [EXCLUDE <regex>...] [TOP_LEVEL_ONLY]
#                   [FILES <names>...] [PUBLIC <targets>...] [PRIVATE <targets>...])
#
# DIR's .h/.cpp files (recursively) are the module's sources; EXCLUDE drops matching paths (another
# module's subfolders). TOP_LEVEL_ONLY takes only the folder's own headers, not its subfolders'.
# FILES takes only the named files of DIR (<name>.h and, where it exists, <name>.cpp), so a module
# can be carved out of a folder without moving a file or changing an include path.
#
# A file belongs to one module. Each module claims its sources; a folder's module leaves out the
# files a module defined before it has claimed, and a FILES module must be defined before the
# module of its folder (it stops the configuration if a file it names is claimed already). A module
# publishes beside its own headers those of the modules it links (and they link) below the same
# top folder of src/ (betakit_reports those of betakit_log): a header's include of a sibling
# ("BetaLog.h") is looked up beside the published link, not the source. It only shows what the
# module links anyway.

# Qt's headers are most of every translation unit's compile time, so they are parsed once per build
# into a precompiled header that every target reuses. A precompiled header of Qt takes 150-200 MB,
# so there are only three: for modules that do not see Qt Widgets (so a layer below the views still
# fails to build if it reaches for a widget), for those that do, and for the test programs (with
# GoogleTest). They hold only Qt's, the standard library's and GoogleTest's headers, whose macros
# the targets do not define differently; GCC checks that and, should a target differ after all,
# warns (-Winvalid-pch) and parses the headers itself.
set(TILEWICK_PRECOMPILED
  <QtCore/QObject> <QtCore/QString> <QtCore/QList> <QtCore/QHash> <QtCore/QTimer>
  <QtGui/QPainter> <QtGui/QPainterPath> <QtGui/QColor> <QtGui/QImage> <QtGui/QFont>
  <functional> <memory> <optional> <vector>)
set(TILEWICK_PRECOMPILED_WIDGETS <QtWidgets/QWidget> <QtWidgets/QGraphicsItem>)

# A library of one empty source whose only product the build keeps is its precompiled header.
#   tilewick_precompiled_header(<target> HEADERS <headers>... LINK <targets>...)
function(tilewick_precompiled_header target)
  cmake_parse_arguments(P "" "" "HEADERS;LINK" ${ARGN})
  set(source ${CMAKE_BINARY_DIR}/precompiled/${target}.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// Only this target's precompiled header is used.\n")
  endif()
  add_library(${target} STATIC ${source})
  target_compile_options(${target} PRIVATE ${TILEWICK_WARNINGS})
  target_link_libraries(${target} PRIVATE ${P_LINK})
  target_precompile_headers(${target} PRIVATE ${P_HEADERS})
endfunction()

tilewick_precompiled_header(tilewick_precompiled_core
  HEADERS ${TILEWICK_PRECOMPILED} LINK Qt6::Core Qt6::Gui)
tilewick_precompiled_header(tilewick_precompiled_widgets
  HEADERS ${TILEWICK_PRECOMPILED} ${TILEWICK_PRECOMPILED_WIDGETS} LINK Qt6::Core Qt6::Gui Qt6::Widgets)

function(tilewick_module target)
  cmake_parse_arguments(M "TOP_LEVEL_ONLY" "DIR" "EXCLUDE;FILES;PUBLIC;PRIVATE" ${ARGN})
  set(dir ${CMAKE_SOURCE_DIR}/src/${M_DIR})
  get_property(claimed GLOBAL PROPERTY TILEWICK_CLAIMED_SOURCES)
  if(M_FILES)
    set(sources "")
    foreach(name IN LISTS M_FILES)
      if(NOT EXISTS ${dir}/${name}.h)
        message(FATAL_ERROR "${target}: src/${M_DIR}/${name}.h does not exist")
      endif()
      list(APPEND sources ${dir}/${name}.h)
      if(EXISTS ${dir}/${name}.cpp)
        list(APPEND sources ${dir}/${name}.cpp)
      endif()
    endforeach()
    foreach(source IN LISTS sources)
      if(source IN_LIST claimed)
        message(FATAL_ERROR "${target}: ${source} is in a module defined before it")
      endif()
    endforeach()
  else()
    if(M_TOP_LEVEL_ONLY)
      file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.h ${dir}/*.cpp)
    else()
      file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.h ${dir}/*.cpp)
    endif()
    foreach(pattern IN LISTS M_EXCLUDE)
      list(FILTER sources EXCLUDE REGEX "${pattern}")
    endforeach()
    if(claimed)
      list(REMOVE_ITEM sources ${claimed})
    endif()
  endif()
  set_property(GLOBAL APPEND PROPERTY TILEWICK_CLAIMED_SOURCES ${sources})

  set(published ${sources})
  string(REGEX REPLACE "/.*" "" top ${M_DIR})
  foreach(dependency IN LISTS M_PUBLIC M_PRIVATE)
    if(TARGET ${dependency})
      get_target_property(their_top ${dependency} TILEWICK_TOP)
      if(their_top STREQUAL top)
        get_target_property(theirs ${dependency} TILEWICK_PUBLISHED)
        list(APPEND published ${theirs})
      endif()
    endif()
  endforeach()
  list(FILTER published INCLUDE REGEX "\\.h$")
  list(REMOVE_DUPLICATES published)

  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  foreach(source IN LISTS published)
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
  set_target_properties(${target} PROPERTIES TILEWICK_TOP ${top} TILEWICK_PUBLISHED "${published}")
  if(widgets)
    target_precompile_headers(${target} REUSE_FROM tilewick_precompiled_widgets)
  else()
    target_precompile_headers(${target} REUSE_FROM tilewick_precompiled_core)
  endif()
endfunction()
