# Where `cmake --install` puts things (GNUInstallDirs below the prefix), and
# run paths relative to $ORIGIN so that an installed tree still works after
# it has been moved. A folder installs its own targets:
#
#   install(TARGETS <name> EXPORT SplicerBotTargets ...)   # or without EXPORT
#   splicer_install_rpath(<name> <install dir of the target>)
include(GNUInstallDirs)

set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/splicer-bot)
# The plug-in module, beside nothing else; tsxhost finds it from its own
# location through SPLICER_MODULE_FROM_BINDIR.
set(SPLICER_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/splicer-bot)
file(RELATIVE_PATH SPLICER_MODULE_FROM_BINDIR
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${SPLICER_MODULE_DIR}/SPL0020.tsx)
# The asset reader process (splicer-asset-reader), found by the host library
# from its own location through SPLICER_READER_FROM_LIBDIR.
set(SPLICER_READER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/splicer-bot)
file(RELATIVE_PATH SPLICER_READER_FROM_LIBDIR
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}
     ${CMAKE_INSTALL_PREFIX}/${SPLICER_READER_DIR})

# RPATH of <target> once installed into <dir>: the library folder, relative.
function(splicer_install_rpath target dir)
  file(RELATIVE_PATH to_libdir ${CMAKE_INSTALL_PREFIX}/${dir}
       ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
  string(REGEX REPLACE "/$" "" to_libdir "${to_libdir}")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_libdir}")
endfunction()
