# The Windows download, made by cpack: one ZIP per word size holding the very
# files the tests ran, the public headers, the exports and an import library,
# and a short text on how a host loads the DLL.
configure_file(${CMAKE_CURRENT_LIST_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package-README.txt @ONLY
               NEWLINE_STYLE CRLF)

install(TARGETS QOR RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(TARGETS qor RUNTIME DESTINATION bin)
install(FILES ${QOR_TYPELIB} DESTINATION bin RENAME QOR.tlb)
install(FILES ${QOR_DEF_FILE} DESTINATION lib)
# The public headers, without the POSIX stand-in's declarations.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qor DESTINATION include PATTERN posix EXCLUDE)
install(FILES ${CMAKE_BINARY_DIR}/package-README.txt DESTINATION . RENAME README.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME QOR)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME QOR-${PROJECT_VERSION}-win${QOR_WORD_SIZE})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
