# The SDK archive, TravikSdk-<version>-win64.zip: the install tree with stripped binaries; their
# debug information goes into TravikSdk-<version>-win64-debug/ beside the archive.
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME TravikSdk)
set(CPACK_PACKAGE_VENDOR Ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME TravikSdk-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_TRAVIK_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_TRAVIK_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/TravikStripBinaries.cmake)
include(CPack)
