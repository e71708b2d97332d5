# Warnings for every target of the project, as an interface library to link.
add_library(tallowby_warnings INTERFACE)
target_compile_options(tallowby_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
if(TALLOWBY_WERROR)
  target_compile_options(tallowby_warnings INTERFACE -Werror)
endif()
