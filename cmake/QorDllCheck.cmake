# The check of QOR.DLL as it ships, run by ctest on both Windows builds: it
# exports exactly these names, undecorated, holds the type library as
# resource TYPELIB 1, is built for the build's processor and imports only
# system DLLs. The names are written out here, apart from QOR.def, which
# makes the exports, so that a name dropped from QOR.def or added to it
# fails the check.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QOR_EXPECTED_EXPORTS
  QORCreateObject QORCreateLinkObject
  DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer
  _ZN13QORITEMIDLIST6createEPKcmmmRK9_FILETIME
  _ZN13QORITEMIDLISTaSERKS_
  _ZNK13QORITEMIDLIST10getSizeOneEv
  _ZNK13QORITEMIDLIST11getFileNameB5cxx11Ev
  _ZNK13QORITEMIDLIST11getFilePathB5cxx11Ev
  _ZNK13QORITEMIDLIST13getAttributesEv
  _ZNK13QORITEMIDLIST15isQORITEMIDLISTEv
  _ZNK13QORITEMIDLIST19getLastModifiedTimeEv
  _ZNK13QORITEMIDLIST4freeEv
  _ZNK13QORITEMIDLIST4lastEv
  _ZNK13QORITEMIDLIST4nextEv
  _ZNK13QORITEMIDLIST6concatEPKS_
  _ZNK13QORITEMIDLIST7compareERKS_
  _ZNK13QORITEMIDLIST7getSizeEv
  _ZNK13QORITEMIDLIST8getIndexEv
  _ZNK13QORITEMIDLIST8isFolderEv
  _ZNK13QORITEMIDLIST9duplicateEv
  _ZNK13QORITEMIDLIST9getLengthEv
  _ZNK13QORITEMIDLISTltERKS_)
if(QOR_WORD_SIZE EQUAL 32)
  set(check_args --machine i386)
else()
  set(check_args --machine x86_64)
endif()
foreach(name ${QOR_EXPECTED_EXPORTS})
  list(APPEND check_args --export ${name})
endforeach()
add_test(NAME dll_check
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/checks/check_dll.py $<TARGET_FILE:QOR> ${check_args})
