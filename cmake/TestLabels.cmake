# Every test case of the one test program becomes a test of its own for ctest, labelled with the
# folder under tests/ that holds it (`ctest -L engine`, `ctest -N -L render`).
#
# The labels come from the sources: the suites each folder defines (TEST, TEST_F, TYPED_TEST)
# are read at configure time and handed to one discovery per folder as a filter. A suite is
# labelled by the first folder that defines it; whatever no folder's filter catches (a suite
# declared through a macro of our own, say) is discovered once more under the label "other", so
# no test goes unlisted.
include(GoogleTest)

function(plotlet_discover_tests_by_folder target tests_root)
  file(GLOB folders RELATIVE ${tests_root} LIST_DIRECTORIES true ${tests_root}/*)
  list(SORT folders)
  set(claimed)
  foreach(folder IN LISTS folders)
    if(NOT IS_DIRECTORY ${tests_root}/${folder})
      continue()
    endif()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${tests_root}/${folder}/*.cpp)
    set(patterns)
    foreach(source IN LISTS sources)
      file(STRINGS ${source} lines REGEX "^(TEST|TEST_F|TYPED_TEST)\\( *[A-Za-z0-9_]+ *,")
      foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[A-Z_]+\\( *([A-Za-z0-9_]+).*" "\\1.*" pattern "${line}")
        if(NOT pattern IN_LIST claimed)
          list(APPEND patterns ${pattern})
          list(APPEND claimed ${pattern})
        endif()
      endforeach()
    endforeach()
    if(patterns)
      list(JOIN patterns ":" filter)
      gtest_discover_tests(${target} TEST_FILTER "${filter}" WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        PROPERTIES LABELS ${folder} DISCOVERY_TIMEOUT 60)
    endif()
  endforeach()
  list(JOIN claimed ":" caught)
  gtest_discover_tests(${target} TEST_FILTER "-${caught}" WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS other DISCOVERY_TIMEOUT 60)
endfunction()
