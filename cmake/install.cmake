# `make install` (cmake --install, PREFIX and DESTDIR) and the Debian package: the two tools,
# the stub of the Windows build under share/kolvane95/, and the manual pages.
include(GNUInstallDirs)

# kolvane-make looks for the stub this way from its own folder, so that an installed tree
# works wherever it is moved (or unpacked with DESTDIR).
set(STUB_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/kolvane95)
file(RELATIVE_PATH STUB_FROM_BIN /${CMAKE_INSTALL_BINDIR} /${STUB_INSTALL_DIR})
target_compile_definitions(kolvane-make PRIVATE KOLVANE_STUB_FROM_BIN="${STUB_FROM_BIN}")
# The hardening Debian builds its packages with.
foreach(tool kolvane-make kolvane-unpack)
  target_compile_definitions(${tool} PRIVATE KOLVANE_VERSION="${PROJECT_VERSION}"
    $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  target_link_options(${tool} PRIVATE -Wl,-z,relro,-z,now)
  configure_file(man/${tool}.1 ${CMAKE_BINARY_DIR}/man/${tool}.1 @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/man/${tool}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

install(TARGETS kolvane-make kolvane-unpack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KOLVANE_WIN_BUILD}/kolvane95.exe DESTINATION ${STUB_INSTALL_DIR})
