# zera_application(TARGET <library> TASK <task> RESOURCES <file> [INSTALL_FILES <files...>]):
# writes <task>.app beside the libraries, naming the task's library and
# resource file, so that "mdl load <task>" finds both in the build and in
# the installation without any variable set.  INSTALL_FILES (relative to
# the source root) are installed under share/zera with the same relative
# paths, so includes between resource files still resolve there;
# RESOURCES must be one of them.  FOLDER (optional) puts the .app file in
# that sub-folder of the libraries, for a second build of the same task that
# is chosen by naming the folder in MS_MDL.
include(GNUInstallDirs)
function(zera_application)
  cmake_parse_arguments(A "" "TARGET;TASK;RESOURCES;FOLDER" "INSTALL_FILES" ${ARGN})
  string(TOLOWER ${A_TASK} task)
  file(RELATIVE_PATH rsc_rel ${CMAKE_SOURCE_DIR} ${A_RESOURCES})
  set(sub "")
  set(up "")
  if(A_FOLDER)
    set(sub "${A_FOLDER}/")
    set(up "../")
  endif()
  set(head "# Task ${A_TASK}: its library and resource file (relative to this file's folder).\n")
  file(GENERATE OUTPUT ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/${sub}${task}.app
       CONTENT "${head}library = ${up}$<TARGET_FILE_NAME:${A_TARGET}>\nresources = ${A_RESOURCES}\n")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/install/${sub}${task}.app
       CONTENT "${head}library = ${up}$<TARGET_FILE_NAME:${A_TARGET}>\nresources = ${up}../${CMAKE_INSTALL_DATADIR}/zera/${rsc_rel}\n")
  install(TARGETS ${A_TARGET} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${CMAKE_BINARY_DIR}/install/${sub}${task}.app DESTINATION ${CMAKE_INSTALL_LIBDIR}/${sub})
  foreach(f ${A_INSTALL_FILES})
    get_filename_component(d ${f} DIRECTORY)
    install(FILES ${CMAKE_SOURCE_DIR}/${f} DESTINATION ${CMAKE_INSTALL_DATADIR}/zera/${d})
  endforeach()
endfunction()
