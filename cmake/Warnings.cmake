# Warnings for our own targets; third-party code is compiled without them.
add_library(kolo_warnings INTERFACE)
target_compile_options(kolo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual -Wformat=2
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Woverloaded-virtual>
  $<$<BOOL:${KOLO_WARNINGS_AS_ERRORS}>:-Werror>)
