cmake_minimum_required(VERSION 3.25)
# Installs the build into a scratch prefix and checks what a desktop and a shell need: both
# programs, the desktop entry offering the program for the pictures it opens, the icon at every
# size, the software centre's metadata, the manual pages and the shell completion.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BINARY_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(files bin/brennic bin/brennic-cli share/applications/brennic.desktop
          share/icons/hicolor/scalable/apps/brennic.svg
          share/metainfo/org.brennic.Brennic.metainfo.xml share/man/man1/brennic.1.gz
          share/man/man1/brennic-cli.1.gz share/bash-completion/completions/brennic-cli)
foreach(size 16 32 48 64 128 256)
  list(APPEND files share/icons/hicolor/${size}x${size}/apps/brennic.png)
endforeach()
foreach(file IN LISTS files)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/brennic.desktop" entry)
foreach(line "Type=Application" "Exec=brennic %F" "Icon=brennic" "Name=Brennic")
  if(NOT line IN_LIST entry)
    message(FATAL_ERROR "the desktop entry lacks '${line}'")
  endif()
endforeach()
list(FILTER entry INCLUDE REGEX "^MimeType=")
foreach(type image/bmp image/x-bmp image/x-ms-bmp image/gif image/x-icon
             image/vnd.microsoft.icon image/png image/jpeg)
  if(NOT entry MATCHES "[=;]${type};")
    message(FATAL_ERROR "the desktop entry does not offer ${type}")
  endif()
endforeach()

find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/brennic.desktop"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects the entry")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net
                          "${PREFIX}/share/metainfo/org.brennic.Brennic.metainfo.xml"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "appstreamcli rejects the metainfo")
  endif()
endif()
file(READ "${PREFIX}/share/icons/hicolor/scalable/apps/brennic.svg" icon)
if(NOT icon MATCHES "<svg[^>]*viewBox")
  message(FATAL_ERROR "the icon is no scalable picture")
endif()
file(REMOVE_RECURSE "${PREFIX}")
