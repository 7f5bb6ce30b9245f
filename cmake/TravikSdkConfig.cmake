# TravikSdkConfig.cmake: find_package(TravikSdk) gives the imported target TravikSdk::TravikSdk,
# the DLL with its import library and the public header, from wherever the SDK was installed.
get_filename_component(_travik_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

# MSVC links the .lib made from the module definitions, MinGW its own import library.
if(MSVC)
    set(_travik_implib "${_travik_prefix}/lib/TravikSdk_380TZ4_RDX.lib")
else()
    set(_travik_implib "${_travik_prefix}/lib/TravikSdk_380TZ4_RDX.dll.a")
endif()

set(_travik_missing "")
foreach(_travik_file "${_travik_prefix}/bin/TravikSdk_380TZ4_RDX.dll" "${_travik_implib}"
                     "${_travik_prefix}/include/TravikSdk.h")
    if(NOT EXISTS "${_travik_file}")
        list(APPEND _travik_missing "${_travik_file}")
    endif()
endforeach()

if(_travik_missing)
    set(TravikSdk_FOUND FALSE)
    set(TravikSdk_NOT_FOUND_MESSAGE "missing: ${_travik_missing}")
elseif(NOT TARGET TravikSdk::TravikSdk)
    add_library(TravikSdk::TravikSdk SHARED IMPORTED)
    set_target_properties(TravikSdk::TravikSdk PROPERTIES
        IMPORTED_LOCATION "${_travik_prefix}/bin/TravikSdk_380TZ4_RDX.dll"
        IMPORTED_IMPLIB "${_travik_implib}"
        INTERFACE_INCLUDE_DIRECTORIES "${_travik_prefix}/include")
endif()
unset(_travik_file)
unset(_travik_missing)
unset(_travik_implib)
unset(_travik_prefix)
