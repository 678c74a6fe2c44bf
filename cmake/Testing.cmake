# Test registration. Native tests are discovered case by case; Windows tests
# run under Wine, one program per ctest entry (each Wine start costs time),
# inside a prefix of this build tree that a setup fixture creates and a
# cleanup fixture shuts down.

include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
  set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
  add_test(NAME wine_prefix_setup COMMAND ${CMAKE_BINARY_DIR}/wine-run wineboot --init)
  set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix)
  add_test(NAME wine_prefix_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run --stop)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix)
endif()

# kolo_add_test(NAME SOURCES ... [LIBS ...] [NO_REGISTER])
# NO_REGISTER builds the program only, for tests registered by hand.
function(kolo_add_test name)
  cmake_parse_arguments(ARG "NO_REGISTER" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} kolo_test_support GTest::gtest GTest::gtest_main kolo_warnings)
  if(ARG_NO_REGISTER)
    return()
  elseif(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
