# Build-time conversion of the art and font files into compiled-in records.
# The tools run with Debian's interpreter, which has python3-pil; the
# commands re-run whenever a listed file or a tool changes.
set(PCSIM_PYTHON /usr/bin/python3 CACHE FILEPATH "Python with PIL for the asset tools")

set(PCSIM_TOOLS_DIR ${PROJECT_SOURCE_DIR}/tools)

# Run tools/<tool> over files (relative to the calling CMakeLists.txt) to
# generate <build>/<header> and the source beside it; <out_var> gets both.
function(pcsim_generate_records out_var tool header_path)
  set(header ${PROJECT_BINARY_DIR}/${header_path})
  string(REGEX REPLACE "\\.h$" ".cpp" source ${header})
  set(inputs "")
  foreach(file IN LISTS ARGN)
    get_filename_component(path ${file} ABSOLUTE)
    list(APPEND inputs ${path})
  endforeach()
  add_custom_command(
    OUTPUT ${header} ${source}
    COMMAND ${PCSIM_PYTHON} ${PCSIM_TOOLS_DIR}/${tool}
            --header ${header} --cpp ${source} --include ${header_path} ${inputs}
    DEPENDS ${PCSIM_TOOLS_DIR}/${tool} ${PCSIM_TOOLS_DIR}/cpp_emit.py ${inputs}
    COMMENT "Generating ${header_path}"
    VERBATIM)
  set(${out_var} ${header} ${source} PARENT_SCOPE)
endfunction()

# pcsim_image_records(<var> HEADER <include path> PICTURES <png>...)
# Declares img_<name> for every picture in the generated header.
function(pcsim_image_records out_var)
  cmake_parse_arguments(ARG "" "HEADER" "PICTURES" ${ARGN})
  pcsim_generate_records(sources image_records.py ${ARG_HEADER} ${ARG_PICTURES})
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()

# pcsim_font_records(<var> HEADER <include path> FONTS <ttf>...)
# The fonts' order is their index in the registry.
function(pcsim_font_records out_var)
  cmake_parse_arguments(ARG "" "HEADER" "FONTS" ${ARGN})
  pcsim_generate_records(sources font_records.py ${ARG_HEADER} ${ARG_FONTS})
  set(${out_var} ${sources} PARENT_SCOPE)
endfunction()
