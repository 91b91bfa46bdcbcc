# Warnings on for our own targets and kept at zero.
function(plotlet_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local
    -Wno-missing-field-initializers)
  if(PLOTLET_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
