cmake_minimum_required(VERSION 3.25)
# Installs the build into a scratch prefix and checks that a desktop can offer the program for
# bitmaps, GIF pictures and icons: both programs, the desktop entry and its icon.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BINARY_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

foreach(file bin/brennic bin/brennic-cli share/applications/brennic.desktop
             share/icons/hicolor/scalable/apps/brennic.svg)
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
             image/vnd.microsoft.icon)
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
file(READ "${PREFIX}/share/icons/hicolor/scalable/apps/brennic.svg" icon)
if(NOT icon MATCHES "<svg[^>]*viewBox")
  message(FATAL_ERROR "the icon is no scalable picture")
endif()
file(REMOVE_RECURSE "${PREFIX}")
