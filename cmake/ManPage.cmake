# Writes a program's manual page from its --help text, so that the two never disagree:
#
#   cmake -DPROGRAM=<executable> -DNAME=<name> -DSUMMARY=<one line> -DVERSION=<x.y>
#         -DOUTPUT=<file.1.gz> -P ManPage.cmake
#
# The help texts of our programs follow a few rules, which this script reads:
#   "Usage: <program> <arguments>"   the first line: the synopsis
#   "Heading:" alone on a line       a section (Options, Environment...); "Exit status: text"
#                                    starts the section with text
#   "  term  text"                   an entry: two spaces, the term, two or more spaces, text;
#   "      more text"                deeper indented lines continue the entry
#   anything else                    paragraphs of the section, an empty line between two
cmake_minimum_required(VERSION 3.25)
foreach(var PROGRAM NAME SUMMARY VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ManPage.cmake: ${var} is not set")
  endif()
endforeach()

# A sanitizer build's program may report the toolkit's leaks at exit; the text is what counts.
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT help MATCHES "^Usage: ")
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc}):\n${help}")
endif()

# Troff escapes; then characters that CMake's lists would take for their own.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REPLACE ";" "<semicolon>" help "${help}")
string(REPLACE "[" "<open>" help "${help}")
string(REPLACE "]" "<close>" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

set(order DESCRIPTION)
set(section DESCRIPTION)
set(DESCRIPTION "")
set(gap FALSE)
set(first TRUE)
foreach(line IN LISTS lines)
  if(first)
    set(first FALSE)
    string(REGEX REPLACE "^Usage: [^ ]+ *" "" synopsis "${line}")
    continue()
  endif()
  if(line STREQUAL "")
    set(gap TRUE)
    continue()
  endif()
  if(line MATCHES "^([A-Z][a-z]+( [a-z]+)?):( (.*))?$")
    string(TOUPPER "${CMAKE_MATCH_1}" section)
    list(APPEND order ${section})
    set(${section} "")
    set(gap FALSE)
    if(CMAKE_MATCH_4 STREQUAL "")
      continue()
    endif()
    set(line "${CMAKE_MATCH_4}")
  endif()
  string(REGEX REPLACE "^\\." "\\\\&." line "${line}")
  if(line MATCHES "^  ([^ ]+( [^ ]+)*)(  +(.*))?$")
    string(APPEND ${section} ".TP\n.B ${CMAKE_MATCH_1}\n")
    if(NOT CMAKE_MATCH_4 STREQUAL "")
      string(APPEND ${section} "${CMAKE_MATCH_4}\n")
    endif()
  elseif(line MATCHES "^   +(.*)$")
    string(APPEND ${section} "${CMAKE_MATCH_1}\n")
  else()
    if(gap AND NOT ${section} STREQUAL "")
      string(APPEND ${section} ".PP\n")
    endif()
    string(APPEND ${section} "${line}\n")
  endif()
  set(gap FALSE)
endforeach()

# The usual order of a manual page's sections; others follow in the order of the help text.
list(REMOVE_DUPLICATES order)
set(sections DESCRIPTION OPTIONS ARGUMENTS OPERATIONS)
foreach(s IN LISTS order)
  if(NOT s IN_LIST sections AND NOT s MATCHES "^(EXIT STATUS|ENVIRONMENT)$")
    list(APPEND sections ${s})
  endif()
endforeach()
list(APPEND sections "EXIT STATUS" ENVIRONMENT)

string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" name "${NAME}")
string(CONCAT page ".TH ${title} 1 \"\" \"Brennic ${VERSION}\" \"User Commands\"\n"
       ".SH NAME\n${name} \\- ${SUMMARY}\n"
       ".SH SYNOPSIS\n.B ${name}\n${synopsis}\n")
foreach(s IN LISTS sections)
  if(s IN_LIST order AND NOT "${${s}}" STREQUAL "")
    string(APPEND page ".SH ${s}\n${${s}}")
  endif()
endforeach()
string(REPLACE "<semicolon>" ";" page "${page}")
string(REPLACE "<open>" "[" page "${page}")
string(REPLACE "<close>" "]" page "${page}")

get_filename_component(dir "${OUTPUT}" DIRECTORY)
string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
file(WRITE "${plain}" "${page}")
if(NOT plain STREQUAL OUTPUT)
  file(ARCHIVE_CREATE OUTPUT "${OUTPUT}" PATHS "${plain}" FORMAT raw COMPRESSION GZip)
endif()
