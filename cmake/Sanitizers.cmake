# Sanitizer builds are whole-program: every object must be instrumented alike.
# PCSIM_SANITIZER_FLAGS repeats the flags for projects that the tests build
# against this build's libraries.
set(PCSIM_SANITIZER_FLAGS "")
if(PCSIM_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  set(PCSIM_SANITIZER_FLAGS "-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer")
elseif(PCSIM_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
  set(PCSIM_SANITIZER_FLAGS "-fsanitize=thread -fno-omit-frame-pointer")
elseif(NOT PCSIM_SANITIZE STREQUAL "")
  message(FATAL_ERROR "PCSIM_SANITIZE must be empty, 'address' or 'thread'")
endif()
