# Fails when a source file includes a header of a layer above its own, or when Qt is
# included outside the Qt back end and the program entry.
#
# The layers, lowest first: each may include its own folder and any folder below it.
# The window engine's back ends (runtime/qt, runtime/script) sit beside the runtime:
# only they, the program entry, the tools and the tests may include them.
#
#   cmake -DROOT=<source dir> -P layers.cmake
set(layers
  runtime storage dictionary rules framework/data framework/window framework/report
  shell documents pledges cashdesk)

if(NOT ROOT)
  message(FATAL_ERROR "ROOT is not set")
endif()

# The layer index of a path below src/ ("pledges/updatezal.cpp" -> 9), -1 when none.
function(layer_of path out)
  set(idx -1)
  set(i 0)
  foreach(l ${layers})
    string(LENGTH "${l}/" n)
    string(SUBSTRING "${path}" 0 ${n} head)
    if(head STREQUAL "${l}/")
      set(idx ${i})
    endif()
    math(EXPR i "${i} + 1")
  endforeach()
  set(${out} ${idx} PARENT_SCOPE)
endfunction()

function(is_back_end path out)
  if(path MATCHES "^runtime/(qt|script)/")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

set(failures "")
file(GLOB_RECURSE sources RELATIVE "${ROOT}/src" "${ROOT}/src/*.cpp" "${ROOT}/src/*.h")
foreach(src ${sources})
  layer_of("${src}" own)
  is_back_end("${src}" own_back_end)
  file(STRINGS "${ROOT}/src/${src}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${includes})
    if(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)")
      set(qt_header "${CMAKE_MATCH_1}")
      if(NOT src MATCHES "^runtime/qt/")
        list(APPEND failures "src/${src}: includes Qt (<${qt_header}>) outside src/runtime/qt")
      endif()
      continue()
    endif()
    if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(header "${CMAKE_MATCH_1}")
    is_back_end("${header}" header_back_end)
    if(header_back_end AND NOT own_back_end)
      list(APPEND failures "src/${src}: includes the window engine's back end ${header}")
      continue()
    endif()
    layer_of("${header}" theirs)
    if(theirs GREATER own)
      list(GET layers ${own} own_name)
      list(GET layers ${theirs} their_name)
      list(APPEND failures "src/${src}: ${own_name} includes ${header} of ${their_name}, a layer above it")
    endif()
  endforeach()
endforeach()

if(failures)
  list(LENGTH failures n)
  string(REPLACE ";" "\n  " text "${failures}")
  message(FATAL_ERROR "${n} include(s) break the layering:\n  ${text}")
endif()
list(LENGTH sources n)
message(STATUS "layering holds over ${n} files")
