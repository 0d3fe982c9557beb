# `cmake --install` on POSIX: qor in bin/, libqor.so and libqorwinapi.so in
# lib/, the public headers (with the Windows API stand-in's declarations,
# which hosts on POSIX compile against) in include/. qor finds libqor.so
# beside itself (the build tree) or in ../lib (an installed tree), and the
# run paths below find libqorwinapi.so from either, so the installed program
# runs from any folder and under any prefix.
install(TARGETS qor RUNTIME DESTINATION bin)
install(TARGETS QOR qor_platform LIBRARY DESTINATION lib)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qor DESTINATION include)
set_target_properties(qor PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
set_target_properties(QOR qor_platform PROPERTIES INSTALL_RPATH "$ORIGIN")
