# The API reference: Doxygen HTML from the public headers and doc/, into <build>/doc/html. The
# test doc_reference builds it and fails on any Doxygen warning (an undocumented export or
# parameter, a broken reference).
find_program(DOXYGEN_EXECUTABLE doxygen)
set(TRAVIK_DOC_OUTPUT ${CMAKE_BINARY_DIR}/doc)
configure_file(${CMAKE_SOURCE_DIR}/doc/Doxyfile.in ${TRAVIK_DOC_OUTPUT}/Doxyfile @ONLY)

if(DOXYGEN_EXECUTABLE)
    add_custom_target(doc COMMAND ${DOXYGEN_EXECUTABLE} ${TRAVIK_DOC_OUTPUT}/Doxyfile
                      WORKING_DIRECTORY ${TRAVIK_DOC_OUTPUT} VERBATIM)
    add_test(NAME doc_reference COMMAND ${DOXYGEN_EXECUTABLE} ${TRAVIK_DOC_OUTPUT}/Doxyfile
             WORKING_DIRECTORY ${TRAVIK_DOC_OUTPUT})
    # The archive test builds the same reference into the same folder.
    set_tests_properties(doc_reference PROPERTIES LABELS "host;doc" TIMEOUT 300
                         RESOURCE_LOCK reference_folder)
    travik_test_needs_no_prefix(doc_reference)
endif()
