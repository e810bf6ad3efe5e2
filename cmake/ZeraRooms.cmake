# The rooms' walls, checked by building deliberate violations
# (scripts/check-rooms.sh).  zera_room_check(ROOM HEADER FAILS|BUILDS)
# makes an object library, left out of the normal build, whose one source
# includes HEADER and which compiles exactly as ROOM's own sources do: ROOM's
# include directories and compile definitions, and whatever ROOM links.
# FAILS: HEADER lies outside what ROOM may see, so it must not build.
# BUILDS: a header ROOM may see, so that a FAILS of the same room shows the
# wall and not a broken check.  The list of checks is written to
# <build>/rooms/checks.txt, one "target FAILS|BUILDS room header" a line.
set(ZERA_ROOM_LIST ${CMAKE_BINARY_DIR}/rooms/checks.txt)
file(WRITE ${ZERA_ROOM_LIST} "")
function(zera_room_check room header expect)
  if(NOT TARGET ${room})
    return()
  endif()
  string(MAKE_C_IDENTIFIER "${room}_${header}" id)
  set(src ${CMAKE_BINARY_DIR}/rooms/${id}.cpp)
  file(CONFIGURE OUTPUT ${src} CONTENT "#include \"${header}\"\n")
  add_library(room_${id} OBJECT EXCLUDE_FROM_ALL ${src})
  get_target_property(type ${room} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    # A room that is only what its programs link.
    target_link_libraries(room_${id} PRIVATE ${room})
  else()
    target_include_directories(room_${id} PRIVATE $<TARGET_PROPERTY:${room},INCLUDE_DIRECTORIES>)
    target_compile_definitions(room_${id} PRIVATE $<TARGET_PROPERTY:${room},COMPILE_DEFINITIONS>)
    target_link_libraries(room_${id} PRIVATE $<TARGET_PROPERTY:${room},LINK_LIBRARIES>)
  endif()
  file(APPEND ${ZERA_ROOM_LIST} "room_${id} ${expect} ${room} ${header}\n")
endfunction()
# zera_rooms(ROOM [BUILDS headers...] [FAILS headers...])
function(zera_rooms room)
  cmake_parse_arguments(R "" "" "BUILDS;FAILS" ${ARGN})
  foreach(h ${R_BUILDS})
    zera_room_check(${room} ${h} BUILDS)
  endforeach()
  foreach(h ${R_FAILS})
    zera_room_check(${room} ${h} FAILS)
  endforeach()
endfunction()

# The host's floors: base <- sys <- {svc, rsc <- dlg, dgn, xml, db} <- gis
# <- app.  A floor sees its own headers and those of the floors below it;
# never a floor above or beside it, nor another floor's private headers.
zera_rooms(mdlhost_base BUILDS base/mdlbase.h base/text_host.h FAILS sys/mdlsys.h)
zera_rooms(mdlhost_sys BUILDS sys/mdlsys.h sys/sys_host.h FAILS rsc/mdlrsc.h svc/mdlsvc.h)
zera_rooms(mdlhost_svc BUILDS svc/mdlsvc.h sys/sys_host.h FAILS rsc/mdlrsc.h sys_int.h)
zera_rooms(mdlhost_rsc BUILDS rsc/mdlrsc.h FAILS dlg/mdldlg.h dgn/mdldgn.h)
zera_rooms(mdlhost_dgn BUILDS dgn/mdldgn.h sys/sys_host.h FAILS rsc/mdlrsc.h db/mdldb.h svc/mdlsvc.h)
zera_rooms(mdlhost_xml BUILDS xml/mdlxml.h FAILS rsc/mdlrsc.h dgn/mdldgn.h)
zera_rooms(mdlhost_db BUILDS db/mdldb.h FAILS rsc/mdlrsc.h dgn/mdldgn.h)
zera_rooms(mdlhost_dlg BUILDS dlg/mdldlg.h rsc/mdlrsc.h FAILS dgn/mdldgn.h)
zera_rooms(mdlhost_gis BUILDS gis/mdlgis.h dgn/mdldgn.h db/mdldb.h rsc/mdlrsc.h
           FAILS app/mdlapp.h dlg/mdldlg.h dgn_int.h dgn/dgn_int.h dgnstore_int.h db_int.h)
zera_rooms(mdlhost_app BUILDS app/mdlapp.h gis/mdlgis.h svc/mdlsvc.h FAILS gis_int.h mdlhost.h)

# The deliverables see the host's face only, never a host-internal header.
# zvlib stands on the host alone; the application sees the engine's face;
# the GIS database layer sees zvlib, not the application.
foreach(room kartmotor_objs zvlib_objs zeraapp_objs zeraggdb_objs zeraapp_gg_objs)
  zera_rooms(${room} BUILDS mdlhost.h FAILS base/text_host.h base/base_host.h sys/sys_host.h dgn/dgnstore_int.h)
endforeach()
zera_rooms(kartmotor_objs BUILDS kartmotor.h FAILS zvzera_services.h brukerdata.h zvlibutil.h)
zera_rooms(zvlib_objs BUILDS zvlibutil.h FAILS kartmotor.h brukerdata.h)
zera_rooms(zeraapp_objs BUILDS kartmotor.h zvlibutil.h brukerdata.h FAILS kartmotor_int.h)
zera_rooms(zeraggdb_objs BUILDS zeraggdb.h zvlibutil.h FAILS brukerdata.h kartmotor_int.h)
# The GIS build sees the application, its database module and the engine's
# face; the database module never sees the GIS build's frame.
zera_rooms(zeraapp_gg_objs BUILDS ggramme.h ggoppsett.h brukerdata.h zeraggdb.h kartmotor.h FAILS kartmotor_int.h)
zera_rooms(zeraggdb_objs FAILS ggramme.h)

# Tests see their own room and the host's test fixtures: an engine test
# not the application, a zvlib test not the engine, a host test no
# deliverable; none a host floor's private header.
zera_rooms(tekst_test BUILDS kartmotor_int.h dgn_testing.h FAILS brukerdata.h zvzera_services.h dgn_int.h)
zera_rooms(kartmotor_fuzzing BUILDS kartmotor_int.h fuzz_testing.h FAILS brukerdata.h zvzera_services.h dgn_int.h)
zera_rooms(kartimport BUILDS kartmotor.h FAILS kartmotor_int.h zvzera_services.h brukerdata.h)
zera_rooms(ggoppsett_test BUILDS ggoppsett.h db_testing.h FAILS kartmotor_int.h dgn_int.h db_int.h)
zera_rooms(zvzeraggstart_test BUILDS frame_testing.h brukerdata.h FAILS ggoppsett.h zeraggdb.h kartmotor_int.h)
zera_rooms(zvlibutil_test BUILDS zvlibutil.h dgn_testing.h FAILS kartmotor.h base/text_host.h dgn_records.h)
zera_rooms(mdlcfg_test BUILDS child_testing.h rsc_testing.h FAILS kartmotor.h zvlibutil.h base/text_host.h)
zera_rooms(dgnstore_test BUILDS dgn_records.h dgn/dgndescr_host.h FAILS kartmotor.h zvlibutil.h rsc_int.h)

# The host's fuzz targets see the host alone, and a floor's private header
# never: the readers inside a floor reach what they fuzz through a
# host-internal header or a test fixture.
zera_rooms(host_fuzz_face BUILDS mdlhost.h fuzz_testing.h FAILS kartmotor_int.h kartmotor.h base/text_host.h)
zera_rooms(host_fuzz_inner BUILDS dgn_records.h dgn/dgndescr_host.h svc/workbook_host.h
           FAILS kartmotor_int.h kartmotor.h dgn/dgnstore_int.h dgnstore_int.h svc_int.h dgn_int.h)
