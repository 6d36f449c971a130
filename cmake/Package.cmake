# cmake --install puts the package PCSim under the prefix, for applications
# built outside this tree (find_package(PCSim) and pcsim_add_application):
#
#   include/pcsim/device/...     the framework's headers ("device/..." includes)
#   lib/libpcsim_*.a             the framework and the simulator's libraries
#   lib/cmake/PCSim/             package configuration, version and targets
#   share/pcsim/cmake/           pcsim_add_application and the asset rules
#   share/pcsim/tools/           the picture and font converters
#   share/pcsim/fonts/           the framework's standard fonts and their licence
#   bin/pc-simulator, bin/pcsim-trace
include(CMakePackageConfigHelpers)

set(PCSIM_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/PCSim)
set(PCSIM_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/pcsim)

install(TARGETS device trace_formats host_core host_gui host_main ${PCSIM_HOST_ART_TARGETS}
  EXPORT PCSimTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/pcsim)
install(EXPORT PCSimTargets NAMESPACE PCSim:: DESTINATION ${PCSIM_INSTALL_CMAKEDIR})

# Every framework header; the gauge demo's are its own.
install(DIRECTORY device/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pcsim/device
        FILES_MATCHING PATTERN "*.h" PATTERN "app" EXCLUDE PATTERN "assets" EXCLUDE)

install(FILES cmake/Assets.cmake cmake/Application.cmake DESTINATION ${PCSIM_INSTALL_DATADIR}/cmake)
install(PROGRAMS tools/image_records.py tools/font_records.py
        DESTINATION ${PCSIM_INSTALL_DATADIR}/tools)
install(FILES tools/cpp_emit.py DESTINATION ${PCSIM_INSTALL_DATADIR}/tools)
install(FILES device/assets/fonts/text.ttf device/assets/fonts/text_mono.ttf
              device/assets/fonts/numerals.ttf device/assets/fonts/LICENSE
        DESTINATION ${PCSIM_INSTALL_DATADIR}/fonts)

configure_package_config_file(cmake/PCSimConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/PCSimConfig.cmake
  INSTALL_DESTINATION ${PCSIM_INSTALL_CMAKEDIR}
  PATH_VARS PCSIM_INSTALL_DATADIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/PCSimConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/PCSimConfig.cmake
              ${PROJECT_BINARY_DIR}/package/PCSimConfigVersion.cmake
        DESTINATION ${PCSIM_INSTALL_CMAKEDIR})
