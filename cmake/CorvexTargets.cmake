# corvex_subsystem(<target> [FOLDERS <sub-folders...>] [PUBLIC <libs...>] [PRIVATE <libs...>])
# A subsystem library made of every .cpp in the current folder and the named
# sub-folders. PUBLIC: libraries its headers include; PRIVATE: those only its sources
# use. Every include is rooted at the top of the tree: #include "platform/path.h".
# These links are the one table of what may include what (corvex_export_parts).
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
  corvex_part(${target})
endfunction()

# corvex_part(<target>): `target` is the library of the current folder, the part of
# the product code that folder is.
function(corvex_part target)
  file(RELATIVE_PATH part "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  set_property(TARGET ${target} PROPERTY CORVEX_PART "${part}")
  set_property(GLOBAL APPEND PROPERTY CORVEX_PART_TARGETS ${target})
endfunction()

# corvex_export_parts(<file>), once every folder is added: writes, for the include
# check, each part's library with its links as CMake holds them, one fact a line:
#   part <target> <folder>      links <target> <all direct links>
#   public <target> <the links its users get>      generated <target> <headers>
# A PRIVATE link of a static library shows in its interface only as $<LINK_ONLY:...>,
# which gives its users nothing to include, so it is left out of "public".
function(corvex_export_parts file)
  get_property(targets GLOBAL PROPERTY CORVEX_PART_TARGETS)
  set(text "# Written by CMake at configure time from the links of the product libraries.\n")
  foreach(target ${targets})
    get_target_property(part ${target} CORVEX_PART)
    get_target_property(links ${target} LINK_LIBRARIES)
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    get_target_property(folders ${target} INCLUDE_DIRECTORIES)
    set(public "")
    foreach(item IN LISTS interface)
      if(item AND NOT item MATCHES "^\\$<LINK_ONLY:")
        list(APPEND public "${item}")
      endif()
    endforeach()
    if(NOT links)
      set(links "")
    endif()
    set(generated "")
    foreach(folder IN LISTS folders)
      string(FIND "${folder}" "${CMAKE_BINARY_DIR}/" at)
      if(at EQUAL 0)
        file(GLOB headers RELATIVE "${folder}" "${folder}/*.h")
        list(APPEND generated ${headers})
      endif()
    endforeach()
    list(JOIN links " " links)
    list(JOIN public " " public)
    list(JOIN generated " " generated)
    string(APPEND text "part ${target} ${part}\nlinks ${target} ${links}\npublic ${target} ${public}\n")
    string(APPEND text "generated ${target} ${generated}\n")
  endforeach()
  file(CONFIGURE OUTPUT "${file}" CONTENT "${text}" @ONLY)
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
