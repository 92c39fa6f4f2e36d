# corvex_subsystem(<target> [FOLDERS <sub-folders...>] [PUBLIC <libs...>] [PRIVATE <libs...>])
# A subsystem library made of every .cpp in the current folder and the named
# sub-folders. PUBLIC: libraries its headers include; PRIVATE: those only its sources
# use. Every include is rooted at the top of the tree: #include "platform/path.h".
function(corvex_subsystem target)
  cmake_parse_arguments(ARG "" "" "FOLDERS;PUBLIC;PRIVATE" ${ARGN})
  # A misspelt keyword would otherwise drop its libraries without a word.
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "corvex_subsystem(${target}): unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  set(patterns "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(folder ${ARG_FOLDERS})
    list(APPEND patterns "${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp")
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# corvex_test(<name> SOURCES <files...> LINKS <libs...> [LABELS <labels...>] [TIMEOUT s])
# One GoogleTest binary, registered as one CTest test. Label "threaded" puts it in the
# ThreadSanitizer run too.
function(corvex_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;LABELS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "corvex_test(${name}): unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}")
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock corvex_test_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "CORVEX_SOURCE_DIR=${CMAKE_SOURCE_DIR};CORVEX_BINARY_DIR=${CMAKE_BINARY_DIR};CORVEX_HELPER_PROGRAM=${CMAKE_BINARY_DIR}/app/corvex-online-setup")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt, so that a new
# program or test binary needs no edit here.
function(corvex_add_subdirectories)
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*")
  foreach(dir ${children})
    if(IS_DIRECTORY "${dir}" AND EXISTS "${dir}/CMakeLists.txt")
      add_subdirectory("${dir}")
    endif()
  endforeach()
endfunction()
