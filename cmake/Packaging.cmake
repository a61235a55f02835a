# Where `cmake --install` puts the program, and the packages CPack makes.
#
# Windows (zip):   <prefix>/Quillon32.exe, Quillon32Preview.exe, Quillon32Lsp.exe, Quillon32.err,
#                  Quillon32PlcProject.py, README.md, examples/mill/
# Other hosts:     <prefix>/lib/quillon32/Quillon32, Quillon32Preview, Quillon32Lsp,
#                  Quillon32PlcProject and Quillon32.err,
#                  <prefix>/bin/<program> -> ../lib/quillon32/<program>,
#                  <prefix>/share/man/man1/Quillon32.1,
#                  <prefix>/share/doc/quillon32/README.md and examples/mill/
# The program looks for its catalogue beside its executable with links
# resolved, so the command on PATH finds the catalogue in lib/quillon32.
# A build without stb has no preview to install, one without nlohmann-json
# no language server.  The helper that writes a PLC project information file
# from a list of symbols (tools/make_plc_project.py, a Python script) goes
# with the programs under a name of their family.
set(QUILLON_PROGRAMS Quillon32)
if(QUILLON_PREVIEW)
  list(APPEND QUILLON_PROGRAMS Quillon32Preview)
endif()
if(QUILLON_LSP)
  list(APPEND QUILLON_PROGRAMS Quillon32Lsp)
endif()
if(WIN32)
  install(TARGETS ${QUILLON_PROGRAMS} RUNTIME DESTINATION .)
  install(PROGRAMS tools/make_plc_project.py DESTINATION . RENAME Quillon32PlcProject.py)
  install(FILES Quillon32.err README.md DESTINATION .)
  install(DIRECTORY examples/mill DESTINATION examples)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  install(TARGETS ${QUILLON_PROGRAMS} RUNTIME DESTINATION lib/quillon32)
  install(PROGRAMS tools/make_plc_project.py DESTINATION lib/quillon32 RENAME Quillon32PlcProject)
  install(FILES Quillon32.err DESTINATION lib/quillon32)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
  foreach(program ${QUILLON_PROGRAMS} Quillon32PlcProject)
    file(CREATE_LINK ../lib/quillon32/${program} ${CMAKE_BINARY_DIR}/package/${program} SYMBOLIC)
    install(FILES ${CMAKE_BINARY_DIR}/package/${program} DESTINATION bin)
  endforeach()
  install(FILES README.md DESTINATION share/doc/quillon32)
  install(DIRECTORY examples/mill DESTINATION share/doc/quillon32/examples)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()

set(CPACK_PACKAGE_NAME Quillon32)
set(CPACK_PACKAGE_VENDOR "Quillon32 project")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Softkey generator for machine-tool PLCs")
set(CPACK_PACKAGE_CONTACT "Quillon32 project <quillon32@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME quillon32)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS python3)  # for Quillon32PlcProject
find_program(QUILLON_SHLIBDEPS dpkg-shlibdeps)
if(QUILLON_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
include(CPack)

# The packages are checked by unpacking them: the Debian package's program
# must run the example and find its catalogue, the zip must hold its files.
if(QUILLON_TESTS)
  find_program(QUILLON_DPKG_DEB dpkg-deb)
  if(WIN32)
    add_test(NAME Packages.Zip
             COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_packages.sh zip ${CMAKE_BINARY_DIR} ${QUILLON_PROGRAMS})
    set_tests_properties(Packages.Zip PROPERTIES TIMEOUT 300)
  elseif(QUILLON_DPKG_DEB)
    add_test(NAME Packages.Debian
             COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check_packages.sh deb ${CMAKE_BINARY_DIR} ${QUILLON_PROGRAMS})
    set_tests_properties(Packages.Debian PROPERTIES TIMEOUT 300)
  endif()
endif()
