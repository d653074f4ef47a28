# Compiler settings shared by every target of ours. Warnings are errors with BRENNIC_WERROR (our
# presets and CI turn it on) and only shown in a plain build, so that another compiler's new
# warning never stops a packager or a user.
function(brennic_target_defaults target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic $<$<BOOL:${BRENNIC_WERROR}>:-Werror>
    -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused -Woverloaded-virtual
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
    -Wmisleading-indentation -Wduplicated-cond -Wlogical-op
    # GCC 12 at -O3 takes std::string concatenations for overlapping copies (GCC bug 105329,
    # fixed in 13); the -O2 and sanitizer builds keep the warning.
    $<$<AND:$<CONFIG:Release>,$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
endfunction()

# Adds a GoogleTest executable from the given sources and registers its tests with CTest.
function(brennic_add_test target)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  brennic_target_defaults(${target})
  if(ARG_QT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
  endif()
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  set(env
    "ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
    "BRENNIC_SHARED=${PROJECT_SOURCE_DIR}/../shared"
    # Settings a test reaches without installing a store of its own never land in the user's.
    "BRENNIC_REGISTRY=${PROJECT_BINARY_DIR}/Testing/registry.sqlite"
    # Nor recovery data; a test that wants it names a folder of its own.
    "BRENNIC_RECOVERY_DIR=off")
  if(ARG_QT)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST)
  # The environment is a list, which GoogleTest's discovery (CMake 3.25) would spread over
  # several properties; it is set on the discovered tests afterwards instead, from the list of
  # their names that discovery leaves in ${target}_TESTS.
  set(env_script "${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake")
  file(WRITE "${env_script}"
    "if(${target}_TESTS)\n"
    "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT [==[${env}]==])\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${env_script}")
endfunction()

# A static library of every .cpp in the calling folder (an interface library while it has none),
# with src/ as the include root.
function(brennic_add_library target)
  cmake_parse_arguments(ARG "QT" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${target} STATIC ${sources})
    brennic_target_defaults(${target})
    if(ARG_QT)
      set_target_properties(${target} PROPERTIES AUTOMOC ON)
    endif()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_LIBS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# The manual page of a program, made from its --help text when the program is built, and
# installed to man1.
function(brennic_add_man_page target summary)
  set(page "${CMAKE_CURRENT_BINARY_DIR}/${target}.1.gz")
  add_custom_command(OUTPUT "${page}"
    COMMAND ${CMAKE_COMMAND} "-DPROGRAM=$<TARGET_FILE:${target}>" "-DNAME=${target}"
            "-DSUMMARY=${summary}" "-DVERSION=${PROJECT_VERSION}" "-DOUTPUT=${page}"
            -P "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
    DEPENDS ${target} "${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake"
    COMMENT "Writing the manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS "${page}")
  include(GNUInstallDirs)
  install(FILES "${page}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
