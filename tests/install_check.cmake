# Installs the build tree BUILD into PREFIX and checks what a desktop needs of the result.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(id org.vexilo.Vexilo)
set(expected bin/vexilo bin/vexilo-cli share/vexilo/english.lng share/vexilo/HELP/index.html
    share/vexilo/HELP/help.css share/applications/${id}.desktop share/metainfo/${id}.metainfo.xml
    share/icons/hicolor/scalable/apps/vexilo.svg)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/vexilo.png)
endforeach()
foreach(f ${expected})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI)
  message(FATAL_ERROR "desktop-file-validate or appstreamcli missing: run scripts/setup.sh")
endif()
execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${PREFIX}/share/applications/${id}.desktop
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR out MATCHES "error")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
execute_process(COMMAND ${APPSTREAMCLI} validate --no-net ${PREFIX}/share/metainfo/${id}.metainfo.xml
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "appstreamcli validate: ${out}")
endif()

# The entry declares every image type the program reads.
file(READ ${PREFIX}/share/applications/${id}.desktop entry)
foreach(type image/bmp image/vnd.microsoft.icon image/x-win-bitmap image/jpeg image/x-tga image/png
        image/gif image/wmf image/emf application/x-ms-dos-executable)
  if(NOT entry MATCHES "MimeType=[^\n]*${type};")
    message(FATAL_ERROR "the desktop entry does not declare ${type}")
  endif()
endforeach()

# The installed program finds the installed packs, help and desktop module, not the build tree's.
execute_process(COMMAND ${PREFIX}/bin/vexilo-cli paths RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "program folder\t${PREFIX}/share/vexilo/\n" OR NOT out MATCHES "english.lng"
   OR NOT out MATCHES "desktop module\t${PREFIX}/lib[^\n]*/vexilo/vexilo-cli-desktop.so\n")
  message(FATAL_ERROR "the installed program does not find its data (${rc}):\n${out}${err}")
endif()
message(STATUS "installed and valid:\n${out}")
