# Warnings on for our own targets and kept at zero.
function(plotlet_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local
    -Wno-missing-field-initializers
    # GCC 12 reports std::string concatenations at -O3 as overlapping copies (a known false alarm).
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
  if(PLOTLET_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
