# Project-wide warning flags, applied per target so third-party code stays quiet.
function(vexilo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
  # GCC 12 reports std::string concatenation at -O2 as overlapping memcpy (a known false
  # positive of -Wrestrict in libstdc++); it would fail every -Werror build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict)
    # Under the sanitizers GCC 12 also reports std::regex's std::function members as maybe
    # uninitialised inside libstdc++, another false positive.
    if(VEXILO_SANITIZE)
      target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
  endif()
  if(VEXILO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
