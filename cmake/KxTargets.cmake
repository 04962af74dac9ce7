# Warnings are errors in our own code only.
# -Wno-restrict: GCC 12 reports false overlaps inside std::string at -O2/-O3.
set(KX_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)

# kx_library(NAME DIR [LIBS ...]): a static library of every .cpp below DIR.
function(kx_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${name} STATIC ${srcs} ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  target_compile_options(${name} PRIVATE ${KX_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# kx_test_suite(NAME DIR [LIBS ...]): one GoogleTest binary of the
# *_test.cpp files directly in DIR, registered with ctest test by test.
function(kx_test_suite name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_compile_options(${name} PRIVATE ${KX_WARNINGS})
  target_compile_definitions(${name} PRIVATE
    KX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  target_link_libraries(${name} PRIVATE kxtestsupport GTest::gtest_main GTest::gmock ${ARGN})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "KX_SOURCE_DIR=${PROJECT_SOURCE_DIR};KX_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
