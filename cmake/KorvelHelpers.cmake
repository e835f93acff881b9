# korvel_library(name DIR dir LINKS libs...) builds every .cpp of a source folder.
function(korvel_library name)
  cmake_parse_arguments(ARG "" "DIR" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${ARG_DIR}/*.h)
  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_LINKS})
  endif()
endfunction()

# korvel_tests(DIR dir LABEL label LINKS libs... [DEFINES defs...] [DEPENDS targets...]) makes one test program per
# *_test.cpp file of a test folder, so a broken area never hides another's tests.
function(korvel_tests)
  cmake_parse_arguments(ARG "" "DIR;LABEL" "LINKS;DEFINES;DEPENDS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${ARG_DIR}/*_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${ARG_DIR}/support/*.cpp)
  foreach(test ${tests})
    get_filename_component(stem ${test} NAME_WE)
    set(target ${ARG_LABEL}_${stem})
    add_executable(${target} ${test} ${support})
    target_link_libraries(${target} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${target} PRIVATE
      KORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      KORVEL_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
      KORVEL_CORPUS_DIR="${PROJECT_SOURCE_DIR}/../shared/corpus"
      $<$<BOOL:${KORVEL_REQUIRE_CORPUS}>:KORVEL_REQUIRE_CORPUS>
      ${ARG_DEFINES})
    if(ARG_DEPENDS)
      add_dependencies(${target} ${ARG_DEPENDS})
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${ARG_LABEL})
  endforeach()
endfunction()
