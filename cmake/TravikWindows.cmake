# Windows-side settings of the cross build: static runtime, image libraries, GoogleTest, Wine.

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
# libgcc, libstdc++ and winpthread go into every binary: the DLL imports Windows DLLs only.
add_link_options(-static -static-libgcc -static-libstdc++)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

set(TRAVIK_DEPS_PREFIX "${CMAKE_SOURCE_DIR}/build/deps/prefix" CACHE PATH
    "Static MinGW builds of libjpeg-turbo, libpng and libtiff (./travik setup)")
if(NOT EXISTS ${TRAVIK_DEPS_PREFIX}/lib/libtiff.a)
    message(FATAL_ERROR "Image libraries missing in ${TRAVIK_DEPS_PREFIX}: run ./travik setup")
endif()
add_library(travik_image_libs INTERFACE)
target_include_directories(travik_image_libs INTERFACE ${TRAVIK_DEPS_PREFIX}/include)
target_link_libraries(travik_image_libs INTERFACE
    ${TRAVIK_DEPS_PREFIX}/lib/libtiff.a
    ${TRAVIK_DEPS_PREFIX}/lib/libpng16.a
    ${TRAVIK_DEPS_PREFIX}/lib/libjpeg.a
    /usr/x86_64-w64-mingw32/lib/libz.a)

# GoogleTest from the machine's sources, built with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# CTest runs Windows test programs through Wine.
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
