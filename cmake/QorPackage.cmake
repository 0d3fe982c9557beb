# The Windows download, made by cpack: one ZIP per word size holding the very
# files the tests ran, the public headers, the exports and an import library,
# and a short text on how a host loads the DLL.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(QOR_PACKAGE_WORD_SIZE 32)
else()
  set(QOR_PACKAGE_WORD_SIZE 64)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package-README.txt @ONLY
               NEWLINE_STYLE CRLF)

install(TARGETS QOR RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(TARGETS qor RUNTIME DESTINATION bin)
install(FILES ${QOR_TYPELIB} DESTINATION bin RENAME QOR.tlb)
install(FILES ${QOR_DEF_FILE} DESTINATION lib)
install(FILES
  ${PROJECT_SOURCE_DIR}/include/qor/ComPtr.h
  ${PROJECT_SOURCE_DIR}/include/qor/QORITEMIDLIST.h
  ${PROJECT_SOURCE_DIR}/include/qor/guids.h
  ${PROJECT_SOURCE_DIR}/include/qor/qor.h
  ${PROJECT_SOURCE_DIR}/include/qor/winapi.h
  DESTINATION include/qor)
install(FILES ${CMAKE_BINARY_DIR}/package-README.txt DESTINATION . RENAME README.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME QOR)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME QOR-${PROJECT_VERSION}-win${QOR_PACKAGE_WORD_SIZE})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
