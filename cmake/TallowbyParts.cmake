# tallowby_linux_part(NAME [USES PART...] SOURCES FILE...): the part
# platform/linux/NAME of the Linux stand-in, as the static library
# tallowby_linux_NAME, which links only the parts it USES and the platform's
# base (tallowby_platform_base: UTF-8, the last error). Configuring fails
# when a file of the part includes a header of platform/linux outside the
# part and those it uses: no include points up, sideways or round in a
# circle. SOURCES are relative to platform/linux.
function(tallowby_linux_part name)
  cmake_parse_arguments(ARG "" "" "USES;SOURCES" ${ARGN})
  set(allowed ${name} ${ARG_USES})
  file(GLOB_RECURSE headers ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.h)
  list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  foreach(file IN LISTS ARG_SOURCES headers)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(STRINGS ${file} includes REGEX "^#include \"platform/linux/")
    foreach(line IN LISTS includes)
      if(NOT line MATCHES "platform/linux/([^/\"]+)/" OR NOT CMAKE_MATCH_1 IN_LIST allowed)
        message(FATAL_ERROR "${file}: `${line}` lies outside platform/linux/${name} and the parts it uses "
                            "(${ARG_USES})")
      endif()
    endforeach()
  endforeach()
  add_library(tallowby_linux_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tallowby_linux_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  list(TRANSFORM ARG_USES PREPEND tallowby_linux_)
  target_link_libraries(tallowby_linux_${name} PUBLIC ${ARG_USES} tallowby_platform_base PRIVATE tallowby_warnings)
endfunction()
