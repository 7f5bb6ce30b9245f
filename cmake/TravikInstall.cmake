# What `cmake --install` lays out: bin/ (the DLL and programs), lib/ (import libraries and the
# CMake package), include/ (the public header) and samples/ (sources that build on their own).
include(CMakePackageConfigHelpers)

install(TARGETS TravikSdk RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/TravikSdk_380TZ4_RDX.lib DESTINATION lib)
install(TARGETS travikcam snapshot TravikViewer RUNTIME DESTINATION bin)
install(FILES ${CMAKE_SOURCE_DIR}/include/TravikSdk.h DESTINATION include)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/samples/ DESTINATION samples)

set(version_file ${CMAKE_BINARY_DIR}/package/TravikSdkConfigVersion.cmake)
write_basic_package_version_file(${version_file} VERSION ${PROJECT_VERSION}
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/TravikSdkConfig.cmake ${version_file}
        DESTINATION lib/cmake/TravikSdk)
