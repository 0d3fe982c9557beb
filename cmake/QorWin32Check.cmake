# The check of the shipped i686 QOR.DLL, run by ctest in the win32 preset.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(QOR_EXPECTED_EXPORTS QORCreateObject QORCreateLinkObject DllCanUnloadNow DllGetClassObject
    DllRegisterServer DllUnregisterServer)
set(check_args)
foreach(name ${QOR_EXPECTED_EXPORTS})
  list(APPEND check_args --export ${name})
endforeach()
add_test(NAME win32_dll_check
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/checks/check_dll.py $<TARGET_FILE:QOR> ${check_args})
