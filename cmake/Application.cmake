# Building an application of the device framework into its own simulator
# program. Included by the simulator's own build and by the installed
# package's configuration (find_package(PCSim)), so that an application is
# built the same way inside and outside the simulator's tree.
#
# pcsim_add_application(<name>
#     SOURCES <file>...
#     [PICTURES <png>...]
#     [FONTS <ttf>...]
#     [ASSET_HEADERS <dir>]
#     [SIMULATOR <program> | NO_SIMULATOR])
#
# <name> becomes an object library: the application's sources and the
# records generated from its pictures and fonts, linked to the framework
# (PCSim::device). Each picture NAME.png (NAME.bit1.png, NAME.bit2.png)
# becomes the image record img_NAME, declared in "<dir>/images.h"; the fonts
# (at most three, in font index order) replace the framework's standard
# ones, declared in "<dir>/fonts.h". <dir> defaults to "assets". Relative
# paths are taken from the calling CMakeLists.txt.
#
# Unless NO_SIMULATOR is given, the program <program> (default <name>-sim) is
# made of the application and the simulator: window, headless runs, CAN
# back-ends, traces, UART and storage (see pcsim_add_simulator).
#
# pcsim_add_simulator(<program> APPLICATION <name>)
#
# The simulator program of an application made by pcsim_add_application.
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/Assets.cmake)

# The framework's text functions take font indices 0 to 2.
set(PCSIM_MAX_FONTS 3)

function(pcsim_add_application name)
  cmake_parse_arguments(ARG "NO_SIMULATOR" "ASSET_HEADERS;SIMULATOR" "SOURCES;PICTURES;FONTS"
                        ${ARGN})
  set(where "pcsim_add_application(${name})")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "${where}: unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_SOURCES)
    message(FATAL_ERROR "${where}: SOURCES names no file")
  endif()
  if(ARG_NO_SIMULATOR AND ARG_SIMULATOR)
    message(FATAL_ERROR "${where}: SIMULATOR and NO_SIMULATOR exclude each other")
  endif()
  list(LENGTH ARG_FONTS font_count)
  if(font_count GREATER PCSIM_MAX_FONTS)
    message(FATAL_ERROR "${where}: ${font_count} FONTS given; the device takes at most "
                        "${PCSIM_MAX_FONTS} (font indices 0 to 2)")
  endif()
  foreach(file IN LISTS ARG_PICTURES ARG_FONTS)
    get_filename_component(path ${file} ABSOLUTE)
    if(NOT EXISTS ${path})
      message(FATAL_ERROR "${where}: no such file: ${path}")
    endif()
  endforeach()
  if(NOT ARG_ASSET_HEADERS)
    set(ARG_ASSET_HEADERS assets)
  endif()

  # The generated headers and sources live in a folder of their own per
  # application, the include root of "<dir>/images.h".
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/${name}_generated)
  set(records "")
  if(ARG_PICTURES)
    pcsim_image_records(pictures HEADER ${ARG_ASSET_HEADERS}/images.h INCLUDE_ROOT ${generated}
                        PICTURES ${ARG_PICTURES})
    list(APPEND records ${pictures})
  endif()
  if(ARG_FONTS)
    pcsim_font_records(fonts HEADER ${ARG_ASSET_HEADERS}/fonts.h INCLUDE_ROOT ${generated}
                       REGISTRY app_fonts APP_HOOK FONTS ${ARG_FONTS})
    list(APPEND records ${fonts})
  endif()

  # An object library, not an archive: the linker takes every hook the
  # application defines, ahead of the framework's defaults.
  add_library(${name} OBJECT ${ARG_SOURCES} ${records})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${generated}>)
  target_link_libraries(${name} PUBLIC PCSim::device)

  if(NOT ARG_NO_SIMULATOR)
    if(NOT ARG_SIMULATOR)
      set(ARG_SIMULATOR ${name}-sim)
    endif()
    pcsim_add_simulator(${ARG_SIMULATOR} APPLICATION ${name})
  endif()
endfunction()

function(pcsim_add_simulator program)
  cmake_parse_arguments(ARG "" "APPLICATION" "" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_APPLICATION)
    message(FATAL_ERROR "pcsim_add_simulator(${program}): give APPLICATION <name>")
  endif()
  if(NOT TARGET ${ARG_APPLICATION})
    message(FATAL_ERROR "pcsim_add_simulator(${program}): ${ARG_APPLICATION} is not a target; "
                        "make it with pcsim_add_application first")
  endif()
  # The program's main() comes from PCSim::main, which brings the window,
  # the headless driver and everything below them.
  add_executable(${program})
  target_link_libraries(${program} PRIVATE ${ARG_APPLICATION} PCSim::main)
endfunction()
