# zlib with minizip, libdeflate, expat, nlohmann-json and GoogleTest.
#
# Natively they come from the system's packages. For Windows, Debian ships
# none of them, so they are compiled here, and linked statically, from the
# sources that scripts/bootstrap puts in third_party/ (Debian's zlib,
# libdeflate and expat source packages) and KOLO_GOOGLETEST_SOURCE_DIR
# (Debian's googletest package); nlohmann-json is headers only. The fuzz
# build compiles zlib, minizip and libdeflate from those sources too, with
# its sanitizers and coverage, so the fuzzer sees into the archive code and
# the sanitizers check it.

if(NOT CMAKE_CROSSCOMPILING AND NOT KOLO_FUZZ)
  find_package(ZLIB REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  add_library(kolo_minizip INTERFACE)
  target_link_libraries(kolo_minizip INTERFACE PkgConfig::MINIZIP ZLIB::ZLIB)
  pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
  add_library(kolo_libdeflate INTERFACE)
  target_link_libraries(kolo_libdeflate INTERFACE PkgConfig::LIBDEFLATE)
  find_package(EXPAT REQUIRED)
  add_library(kolo_expat INTERFACE)
  target_link_libraries(kolo_expat INTERFACE EXPAT::EXPAT)
  find_package(nlohmann_json 3 REQUIRED)
  add_library(kolo_nlohmann_json INTERFACE)
  target_link_libraries(kolo_nlohmann_json INTERFACE nlohmann_json::nlohmann_json)
else()
  set(ZLIB_SOURCE_DIR ${PROJECT_SOURCE_DIR}/third_party/zlib)
  if(NOT EXISTS ${ZLIB_SOURCE_DIR}/contrib/minizip/zip.c)
    message(FATAL_ERROR "zlib sources missing in ${ZLIB_SOURCE_DIR}: run scripts/bootstrap windows (or test)")
  endif()
  set(MINIZIP_DIR ${ZLIB_SOURCE_DIR}/contrib/minizip)
  add_library(kolo_minizip STATIC
    ${ZLIB_SOURCE_DIR}/adler32.c ${ZLIB_SOURCE_DIR}/compress.c ${ZLIB_SOURCE_DIR}/crc32.c
    ${ZLIB_SOURCE_DIR}/deflate.c ${ZLIB_SOURCE_DIR}/infback.c ${ZLIB_SOURCE_DIR}/inffast.c
    ${ZLIB_SOURCE_DIR}/inflate.c ${ZLIB_SOURCE_DIR}/inftrees.c ${ZLIB_SOURCE_DIR}/trees.c
    ${ZLIB_SOURCE_DIR}/uncompr.c ${ZLIB_SOURCE_DIR}/zutil.c
    ${MINIZIP_DIR}/zip.c ${MINIZIP_DIR}/unzip.c ${MINIZIP_DIR}/ioapi.c)
  if(WIN32)
    target_sources(kolo_minizip PRIVATE ${MINIZIP_DIR}/iowin32.c)
  endif()
  target_include_directories(kolo_minizip SYSTEM PUBLIC ${ZLIB_SOURCE_DIR} ${MINIZIP_DIR})
  target_compile_options(kolo_minizip PRIVATE -w)

  # Compression and the CRC only: the .kolo writer inflates nothing.
  set(LIBDEFLATE_SOURCE_DIR ${PROJECT_SOURCE_DIR}/third_party/libdeflate)
  if(NOT EXISTS ${LIBDEFLATE_SOURCE_DIR}/lib/deflate_compress.c)
    message(FATAL_ERROR "libdeflate sources missing in ${LIBDEFLATE_SOURCE_DIR}: run scripts/bootstrap")
  endif()
  add_library(kolo_libdeflate STATIC
    ${LIBDEFLATE_SOURCE_DIR}/lib/deflate_compress.c ${LIBDEFLATE_SOURCE_DIR}/lib/crc32.c
    ${LIBDEFLATE_SOURCE_DIR}/lib/utils.c ${LIBDEFLATE_SOURCE_DIR}/lib/x86/cpu_features.c)
  target_include_directories(kolo_libdeflate SYSTEM PUBLIC ${LIBDEFLATE_SOURCE_DIR})
  target_compile_options(kolo_libdeflate PRIVATE -w)

  set(EXPAT_SOURCE_DIR ${PROJECT_SOURCE_DIR}/third_party/expat/expat)
  if(NOT EXISTS ${EXPAT_SOURCE_DIR}/lib/xmlparse.c)
    message(FATAL_ERROR "expat sources missing in ${EXPAT_SOURCE_DIR}: run scripts/bootstrap windows")
  endif()
  # The settings of Debian's expat (general and parameter entities,
  # namespaces, 1 KiB of context), by hand: Debian's patches test them for
  # the value 1, which expat's CMake template does not give.
  # Its hash salt comes from rand_s on Windows, from getrandom on Linux (the
  # fuzz build).
  if(WIN32)
    set(EXPAT_ENTROPY "")
  else()
    set(EXPAT_ENTROPY "#define HAVE_GETRANDOM 1")
  endif()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/expat/expat_config.h CONTENT [[
#define BYTEORDER 1234
#define XML_CONTEXT_BYTES 1024
#define XML_DTD 1
#define XML_NS 1
@EXPAT_ENTROPY@
]] @ONLY)
  add_library(kolo_expat STATIC
    ${EXPAT_SOURCE_DIR}/lib/xmlparse.c ${EXPAT_SOURCE_DIR}/lib/xmlrole.c ${EXPAT_SOURCE_DIR}/lib/xmltok.c)
  target_include_directories(kolo_expat SYSTEM PUBLIC ${EXPAT_SOURCE_DIR}/lib PRIVATE ${CMAKE_BINARY_DIR}/expat)
  target_compile_definitions(kolo_expat PUBLIC XML_STATIC)
  target_compile_options(kolo_expat PRIVATE -w)

  # Debian's nlohmann-json headers, without the rest of /usr/include, whose
  # C library headers would stand in for MinGW's.
  set(NLOHMANN_JSON_DIR /usr/include/nlohmann)
  if(NOT EXISTS ${NLOHMANN_JSON_DIR}/json.hpp)
    message(FATAL_ERROR "nlohmann-json missing in ${NLOHMANN_JSON_DIR}: run scripts/bootstrap")
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/nlohmann-json)
  file(CREATE_LINK ${NLOHMANN_JSON_DIR} ${CMAKE_BINARY_DIR}/nlohmann-json/nlohmann SYMBOLIC)
  add_library(kolo_nlohmann_json INTERFACE)
  target_include_directories(kolo_nlohmann_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/nlohmann-json)
endif()

if(KOLO_BUILD_TESTS AND NOT KOLO_FUZZ)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest REQUIRED)
  else()
    set(KOLO_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH
        "GoogleTest's sources, compiled for the Windows tests")
    if(NOT EXISTS ${KOLO_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
      message(FATAL_ERROR "GoogleTest sources missing in ${KOLO_GOOGLETEST_SOURCE_DIR}: run scripts/bootstrap windows, or set KOLO_GOOGLETEST_SOURCE_DIR")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    # Defines GTest::gtest and GTest::gtest_main.
    add_subdirectory(${KOLO_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  endif()
endif()
