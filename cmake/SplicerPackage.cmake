# What the install tree carries besides the targets: the CMake package
# SplicerBot (SplicerBot::tsxapi), tsxapi.pc, the README and its example;
# and CPack's Debian package of the whole tree.
include(CMakePackageConfigHelpers)
set(SPLICER_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/SplicerBot)
install(EXPORT SplicerBotTargets NAMESPACE SplicerBot:: DESTINATION ${SPLICER_CMAKE_DIR})
configure_package_config_file(cmake/SplicerBotConfig.cmake.in SplicerBotConfig.cmake
  INSTALL_DESTINATION ${SPLICER_CMAKE_DIR})
write_basic_package_version_file(SplicerBotConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/SplicerBotConfig.cmake
              ${PROJECT_BINARY_DIR}/SplicerBotConfigVersion.cmake
        DESTINATION ${SPLICER_CMAKE_DIR})

# pkg-config: the prefix is found from the .pc file's own place, so a
# moved tree works too.
set(SPLICER_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH SPLICER_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${SPLICER_PC_DIR}
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" SPLICER_PC_TO_PREFIX "${SPLICER_PC_TO_PREFIX}")
configure_file(cmake/tsxapi.pc.in tsxapi.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tsxapi.pc DESTINATION ${SPLICER_PC_DIR})

install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES examples/boxes.obj examples/boxes.mtl DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(CPACK_PACKAGE_NAME splicer-bot)
set(CPACK_PACKAGE_VENDOR "SPLICER-BOT")
set(CPACK_PACKAGE_CONTACT "SPLICER-BOT developers <splicer-bot@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "join two polyhedron objects across the face they share")
set(CPACK_PACKAGE_DESCRIPTION
  "The SPLICER-BOT plug-in module (SPL0020.tsx), the splicer command-line tool, the tsxhost
host program, and the stand-in host library libtsxapi with its headers, CMake package and
pkg-config file.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts that the windows' layouts name resolve to these.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion, fonts-liberation2, fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
