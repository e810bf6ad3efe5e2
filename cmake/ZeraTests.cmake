# zera_add_tests(DIR <dir> LIBS <libs...> [PROPERTIES <test properties...>]):
# every <dir>/*_test.cpp becomes its own test program, so one module's tests
# never hold another's back.  Database tests pass
# PROPERTIES FIXTURES_REQUIRED zera_pg to run with the test PostgreSQL cluster.
function(zera_add_tests)
  cmake_parse_arguments(T "" "DIR" "LIBS;INCLUDES;PROPERTIES" ${ARGN})
  if(NOT ZERA_TESTS)
    return()
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${T_DIR}/*_test.cpp)
  foreach(src ${tests})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_include_directories(${name} PRIVATE ${T_INCLUDES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    # The host's test fixtures (<floor>/testing/*.h) serve every
    # deliverable's tests.
    if(TARGET mdlhost_testing)
      target_link_libraries(${name} PRIVATE mdlhost_testing)
    endif()
    target_compile_definitions(${name} PRIVATE
      ZERA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      ZERA_SHARED_DATA="${ZERA_SHARED_DATA}")
    if(T_PROPERTIES)
      target_compile_definitions(${name} PRIVATE ZERA_PG_CONNINFO="${CMAKE_BINARY_DIR}/pgtest.conninfo")
      gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${T_PROPERTIES})
    else()
      gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
    endif()
  endforeach()
endfunction()
