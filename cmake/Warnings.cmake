# Project-wide warning set; every target of ours gets it through pcsim_warnings.
add_library(pcsim_warnings INTERFACE)
target_compile_options(pcsim_warnings INTERFACE -Wall -Wextra -Wshadow -Wpedantic)
if(PCSIM_WERROR)
  target_compile_options(pcsim_warnings INTERFACE -Werror)
endif()
