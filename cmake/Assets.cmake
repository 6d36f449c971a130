# Build-time conversion of the art and font files into compiled-in records.
# The tools run with Debian's interpreter, which has python3-pil; the
# commands re-run whenever a listed file or a tool changes.
set(PCSIM_PYTHON /usr/bin/python3 CACHE FILEPATH "Python with PIL for the asset tools")

set(PCSIM_TOOLS_DIR ${PROJECT_SOURCE_DIR}/tools)

# pcsim_image_records(<var> HEADER <include path> PICTURES <png>...)
# Generates <build>/<include path> declaring img_<name> for every picture and
# a source defining the records; <var> receives both files.
function(pcsim_image_records out_var)
  cmake_parse_arguments(ARG "" "HEADER" "PICTURES" ${ARGN})
  set(header ${PROJECT_BINARY_DIR}/${ARG_HEADER})
  string(REGEX REPLACE "\\.h$" ".cpp" source ${header})
  set(pictures "")
  foreach(picture IN LISTS ARG_PICTURES)
    get_filename_component(path ${picture} ABSOLUTE)
    list(APPEND pictures ${path})
  endforeach()
  add_custom_command(
    OUTPUT ${header} ${source}
    COMMAND ${PCSIM_PYTHON} ${PCSIM_TOOLS_DIR}/image_records.py
            --header ${header} --cpp ${source} --include ${ARG_HEADER} ${pictures}
    DEPENDS ${PCSIM_TOOLS_DIR}/image_records.py ${PCSIM_TOOLS_DIR}/cpp_emit.py ${pictures}
    COMMENT "Image records ${ARG_HEADER}"
    VERBATIM)
  set(${out_var} ${header} ${source} PARENT_SCOPE)
endfunction()

# pcsim_font_records(<var> HEADER <include path> FONTS <ttf>...)
# The fonts' order is their index in the registry.
function(pcsim_font_records out_var)
  cmake_parse_arguments(ARG "" "HEADER" "FONTS" ${ARGN})
  set(header ${PROJECT_BINARY_DIR}/${ARG_HEADER})
  string(REGEX REPLACE "\\.h$" ".cpp" source ${header})
  set(fonts "")
  foreach(font IN LISTS ARG_FONTS)
    get_filename_component(path ${font} ABSOLUTE)
    list(APPEND fonts ${path})
  endforeach()
  add_custom_command(
    OUTPUT ${header} ${source}
    COMMAND ${PCSIM_PYTHON} ${PCSIM_TOOLS_DIR}/font_records.py
            --header ${header} --cpp ${source} --include ${ARG_HEADER} ${fonts}
    DEPENDS ${PCSIM_TOOLS_DIR}/font_records.py ${PCSIM_TOOLS_DIR}/cpp_emit.py ${fonts}
    COMMENT "Font registry ${ARG_HEADER}"
    VERBATIM)
  set(${out_var} ${header} ${source} PARENT_SCOPE)
endfunction()
