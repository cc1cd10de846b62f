# zapnest_add_version_info(TARGET DESCRIPTION text INTERNAL_NAME name ORIGINAL_FILENAME name)
#
# Gives a Windows DLL or program a VERSIONINFO resource, generated from
# cmake/version_info.rc.in. Its numbers are the project version's four parts,
# absent ones 0 ("1.1" is 1,1,0,0), and its version texts the version as
# project() writes it, so that the version stays written in one place.
function(zapnest_add_version_info target)
  cmake_parse_arguments(ARG "" "DESCRIPTION;INTERNAL_NAME;ORIGINAL_FILENAME" "" ${ARGN})
  if(NOT ARG_DESCRIPTION OR NOT ARG_INTERNAL_NAME OR NOT ARG_ORIGINAL_FILENAME)
    message(FATAL_ERROR "zapnest_add_version_info(${target}): DESCRIPTION, INTERNAL_NAME and ORIGINAL_FILENAME")
  endif()

  set(numbers "")
  foreach(part IN ITEMS MAJOR MINOR PATCH TWEAK)
    set(number "${PROJECT_VERSION_${part}}")
    if(number STREQUAL "")
      set(number 0)
    endif()
    list(APPEND numbers ${number})
  endforeach()
  list(JOIN numbers "," ZAPNEST_RC_VERSION_NUMBERS)

  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(ZAPNEST_RC_FILE_TYPE VFT_DLL)
  elseif(type STREQUAL "EXECUTABLE")
    set(ZAPNEST_RC_FILE_TYPE VFT_APP)
  else()
    message(FATAL_ERROR "zapnest_add_version_info(${target}): a ${type} has no version resource")
  endif()
  set(ZAPNEST_RC_DESCRIPTION "${ARG_DESCRIPTION}")
  set(ZAPNEST_RC_INTERNAL_NAME "${ARG_INTERNAL_NAME}")
  set(ZAPNEST_RC_ORIGINAL_FILENAME "${ARG_ORIGINAL_FILENAME}")

  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_info.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version_info.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
