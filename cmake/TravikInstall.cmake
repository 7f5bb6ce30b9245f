# What `cmake --install` lays out: bin/ (the DLL, programs and the virtual camera), lib/ (import
# libraries, the CMake package and the pkg-config file), include/ (the public headers), samples/
# (sources that build on their own), doc/ (the API reference, when built), licenses/ (the bundled
# libraries' own licence texts) and the archive's README.
include(CMakePackageConfigHelpers)

install(TARGETS TravikSdk RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/TravikSdk_380TZ4_RDX.lib DESTINATION lib)
install(TARGETS travikcam snapshot snapshot_cpp stream_cpp TravikViewer RUNTIME DESTINATION bin)
# The virtual camera, so that applications can be developed with no camera attached;
# travik-emu installs the driver that lies beside it.
install(TARGETS travik-emu RUNTIME DESTINATION bin)
install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/TravikCamEmu.sys DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/include/TravikSdk.h DESTINATION include)
install(FILES ${CMAKE_SOURCE_DIR}/include/TravikSdk.hpp DESTINATION include)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/samples/ DESTINATION samples)
install(DIRECTORY ${CMAKE_BINARY_DIR}/doc/html/ DESTINATION doc OPTIONAL)
install(FILES ${CMAKE_SOURCE_DIR}/doc/package-README.md DESTINATION . RENAME README.md)

set(version_file ${CMAKE_BINARY_DIR}/package/TravikSdkConfigVersion.cmake)
write_basic_package_version_file(${version_file} VERSION ${PROJECT_VERSION}
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/TravikSdkConfig.cmake ${version_file}
        DESTINATION lib/cmake/TravikSdk)

# MinGW applications built without CMake: pkg-config finds the package relative to the .pc file.
configure_file(${CMAKE_SOURCE_DIR}/cmake/TravikSdk.pc.in ${CMAKE_BINARY_DIR}/package/TravikSdk.pc
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/TravikSdk.pc DESTINATION lib/pkgconfig)

# The licence texts of the image libraries and zlib linked into the DLL, as their sources ship them.
get_filename_component(travik_deps_root ${TRAVIK_DEPS_PREFIX} DIRECTORY)
file(GLOB travik_jpeg_licences ${travik_deps_root}/src/libjpeg-turbo-*/LICENSE.md
                               ${travik_deps_root}/src/libjpeg-turbo-*/README.ijg)
file(GLOB travik_png_licence ${travik_deps_root}/src/libpng1.6-*/LICENSE)
file(GLOB travik_tiff_licence ${travik_deps_root}/src/tiff-*/LICENSE.md)
set(travik_zlib_licence /usr/share/doc/libz-mingw-w64-dev/copyright)
foreach(licence travik_jpeg_licences travik_png_licence travik_tiff_licence travik_zlib_licence)
    if(NOT ${licence})
        message(FATAL_ERROR "licence text missing (${licence}): run ./travik setup")
    endif()
endforeach()
install(FILES ${travik_jpeg_licences} DESTINATION licenses/libjpeg-turbo)
install(FILES ${travik_png_licence} DESTINATION licenses/libpng)
install(FILES ${travik_tiff_licence} DESTINATION licenses/libtiff)
install(FILES ${travik_zlib_licence} DESTINATION licenses/zlib RENAME copyright)

include(TravikPackage)
