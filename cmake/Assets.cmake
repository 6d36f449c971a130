# Build-time conversion of the art and font files into compiled-in records.
# The tools run with Debian's interpreter, which has python3-pil; the
# commands re-run whenever a listed file or a tool changes. This file works
# from the source tree (tools/ beside cmake/) and from an installed package
# (share/pcsim/tools beside share/pcsim/cmake).
include_guard(GLOBAL)
set(PCSIM_PYTHON /usr/bin/python3 CACHE FILEPATH "Python with PIL for the asset tools")

# Run tools/<tool> over the FILES (relative to the calling CMakeLists.txt)
# to generate <root>/<header> and the source beside it, with the tool's own
# OPTIONS; <out_var> gets both files.
function(pcsim_generate_records out_var tool root header_path)
  cmake_parse_arguments(ARG "" "" "FILES;OPTIONS" ${ARGN})
  get_filename_component(tools_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../tools ABSOLUTE)
  set(header ${root}/${header_path})
  string(REGEX REPLACE "\\.h$" ".cpp" source ${header})
  set(inputs "")
  foreach(file IN LISTS ARG_FILES)
    get_filename_component(path ${file} ABSOLUTE)
    list(APPEND inputs ${path})
  endforeach()
  add_custom_command(
    OUTPUT ${header} ${source}
    COMMAND ${PCSIM_PYTHON} ${tools_dir}/${tool}
            --header ${header} --cpp ${source} --include ${header_path} ${ARG_OPTIONS} ${inputs}
    DEPENDS ${tools_dir}/${tool} ${tools_dir}/cpp_emit.py ${inputs}
    COMMENT "Generating ${header_path}"
    VERBATIM)
  set(${out_var} ${header} ${source} PARENT_SCOPE)
endfunction()

# pcsim_image_records(<var> HEADER <include path> PICTURES <png>...
#                     [INCLUDE_ROOT <dir>])
# Declares img_<name> for every picture in the generated header, which is
# written to <dir>/<include path> (default: the project's build folder).
function(pcsim_image_records out_var)
  cmake_parse_arguments(ARG "" "HEADER;INCLUDE_ROOT" "PICTURES" ${ARGN})
  if(NOT ARG_INCLUDE_ROOT)
    set(ARG_INCLUDE_ROOT ${PROJECT_BINARY_DIR})
  endif()
  pcsim_generate_records(sources image_records.py ${ARG_INCLUDE_ROOT} ${ARG_HEADER}
                         FILES ${ARG_PICTURES})
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()

# pcsim_font_records(<var> HEADER <include path> FONTS <ttf>...
#                    [INCLUDE_ROOT <dir>] [REGISTRY <name>] [APP_HOOK])
# The fonts' order is their index in the registry (at most three). REGISTRY
# names the array (default font_registry); APP_HOOK also defines the
# application hook app_font_registry that hands it to the device's start-up.
function(pcsim_font_records out_var)
  cmake_parse_arguments(ARG "APP_HOOK" "HEADER;INCLUDE_ROOT;REGISTRY" "FONTS" ${ARGN})
  if(NOT ARG_INCLUDE_ROOT)
    set(ARG_INCLUDE_ROOT ${PROJECT_BINARY_DIR})
  endif()
  set(options "")
  if(ARG_REGISTRY)
    list(APPEND options --registry ${ARG_REGISTRY})
  endif()
  if(ARG_APP_HOOK)
    list(APPEND options --app-hook)
  endif()
  pcsim_generate_records(sources font_records.py ${ARG_INCLUDE_ROOT} ${ARG_HEADER}
                         FILES ${ARG_FONTS} OPTIONS ${options})
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()
