# Run by CPack on the staged install tree: every binary loses its debug information to a file of
# its own in the debug folder, and keeps a link to it (.gnu_debuglink) so debuggers find it again.
if(NOT CPACK_TEMPORARY_INSTALL_DIRECTORY OR NOT CPACK_PACKAGE_DIRECTORY)
    message(FATAL_ERROR "run by CPack only")
endif()
set(CPACK_TRAVIK_DEBUG_DIRECTORY ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}-debug)
function(run_or_fail)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${ARGN} failed")
    endif()
endfunction()

file(REMOVE_RECURSE ${CPACK_TRAVIK_DEBUG_DIRECTORY})
file(GLOB_RECURSE binaries ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.dll
                           ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.exe
                           ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.sys)
foreach(binary ${binaries})
    file(RELATIVE_PATH relative ${CPACK_TEMPORARY_INSTALL_DIRECTORY} ${binary})
    set(debug_file ${CPACK_TRAVIK_DEBUG_DIRECTORY}/${relative}.debug)
    get_filename_component(debug_folder ${debug_file} DIRECTORY)
    file(MAKE_DIRECTORY ${debug_folder})
    run_or_fail(${CPACK_TRAVIK_OBJCOPY} --only-keep-debug ${binary} ${debug_file})
    run_or_fail(${CPACK_TRAVIK_STRIP} --strip-debug --strip-unneeded ${binary})
    run_or_fail(${CPACK_TRAVIK_OBJCOPY} --add-gnu-debuglink=${debug_file} ${binary})
endforeach()
