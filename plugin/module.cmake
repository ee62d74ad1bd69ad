# The plug-in module SPL0020.tsx: the entry points over the windows and the
# engine. The host's interface is the host library's, linked here.
add_library(SPL0020 MODULE
  ${CMAKE_CURRENT_SOURCE_DIR}/TsxPlug.cpp ${CMAKE_CURRENT_SOURCE_DIR}/PlugModule.cpp)
set_target_properties(SPL0020 PROPERTIES
  OUTPUT_NAME "SPL0020" PREFIX "" SUFFIX ".tsx"
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON AUTOMOC ON
  LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/SPL0020.map)
target_link_options(SPL0020 PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/SPL0020.map -Wl,--no-undefined)
target_link_libraries(SPL0020 PRIVATE
  splicer_ui splicer_engine splicer_resources Qt6::Widgets tsxapi splicer_warnings)
install(TARGETS SPL0020 LIBRARY DESTINATION ${SPLICER_MODULE_DIR})
splicer_install_rpath(SPL0020 ${SPLICER_MODULE_DIR})
