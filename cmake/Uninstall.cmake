# Removes an installation of quillox: cmake -DQUILLOX_BUILD_DIR=build
# -DQUILLOX_PREFIX=/usr/local -P cmake/Uninstall.cmake (DESTDIR honoured).
#
# It learns which files an install lays out by installing the build into a
# staging folder, so it needs no record of an earlier install and removes
# exactly what the install rules put there, nothing else.
if(NOT QUILLOX_BUILD_DIR OR NOT QUILLOX_PREFIX)
  message(FATAL_ERROR "usage: cmake -DQUILLOX_BUILD_DIR=dir -DQUILLOX_PREFIX=prefix -P Uninstall.cmake")
endif()
get_filename_component(build_dir "${QUILLOX_BUILD_DIR}" ABSOLUTE)
set(staging "${build_dir}/uninstall-staging")
file(REMOVE_RECURSE "${staging}")
set(destdir "$ENV{DESTDIR}")
set(ENV{DESTDIR} "")
execute_process(
  COMMAND ${CMAKE_COMMAND} --install "${build_dir}" --prefix "${staging}"
  OUTPUT_QUIET
  RESULT_VARIABLE result)
set(ENV{DESTDIR} "${destdir}")
if(NOT result EQUAL 0)
  file(REMOVE_RECURSE "${staging}")
  message(FATAL_ERROR "uninstall: cannot list the installed files (is '${build_dir}' built?)")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${staging}" "${staging}/*")
file(REMOVE_RECURSE "${staging}")
set(root "${destdir}${QUILLOX_PREFIX}")
set(failed 0)
foreach(relative IN LISTS installed)
  set(path "${root}/${relative}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    file(REMOVE "${path}")
    if(EXISTS "${path}")
      message(WARNING "uninstall: cannot remove ${path}")
      set(failed 1)
    else()
      message(STATUS "Removed ${path}")
    endif()
  endif()
endforeach()
# The documentation folder is the program's own; shared folders stay.
if(IS_DIRECTORY "${root}/share/doc/quillox")
  file(GLOB left "${root}/share/doc/quillox/*")
  if(NOT left)
    file(REMOVE_RECURSE "${root}/share/doc/quillox")
  endif()
endif()
if(failed)
  message(FATAL_ERROR "uninstall: some files could not be removed")
endif()
