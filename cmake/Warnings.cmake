# Project-wide warning flags, applied per target so third-party code stays quiet.
function(vexilo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)
  if(VEXILO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
