# Warnings are errors in our own code only.
# -Wno-restrict: GCC 12 reports false overlaps inside std::string at -O2/-O3.
set(KX_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)

# kx_library(NAME DIR [LIBS ...]): a static library of every .cpp below DIR,
# linked with LIBS (PUBLIC unless a PRIVATE keyword comes first).
#
# Layering: a library's headers are reachable only by the library itself and
# by what links it. Each library gets an include root of its own under
# <build>/include/NAME that holds just its folder (as a link), under the path
# the code includes it by: the folder's path from the project root, with a
# leading "lib/" dropped (lib/kxu -> "kxu/...", kxui/obj -> "kxui/obj/...").
# The project root itself is on no library's include path, so an #include of
# a folder the library does not link fails to compile.
#
# A new folder library: a CMakeLists.txt in the folder with
#   kx_library(kxui_users ${CMAKE_CURRENT_SOURCE_DIR} kxui_objfile)
# and one add_subdirectory() line in the CMakeLists.txt above it. Its tests go
# to tests/<folder>/ and link it without further ado (see tests/CMakeLists.txt).
function(kx_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_library(${name} STATIC ${srcs} ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  target_compile_options(${name} PRIVATE ${KX_WARNINGS})
  kx_include_root(${name} ${dir})
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# kx_include_root(NAME DIR): gives the library NAME (made without
# kx_library, e.g. from some of a folder's sources) the include root of DIR
# and records it as that folder's library.
function(kx_include_root name dir)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${dir})
  string(REGEX REPLACE "^lib/" "" prefix "${rel}")
  set(root ${PROJECT_BINARY_DIR}/include/${name})
  get_filename_component(parent ${root}/${prefix} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${dir} ${root}/${prefix} SYMBOLIC)
  target_include_directories(${name} PUBLIC ${root})
  set_property(GLOBAL PROPERTY KX_LIBRARY_OF_${rel} ${name})
  set_property(GLOBAL APPEND PROPERTY KX_LIBRARIES ${name})
endfunction()

# Stops the configuration when a library hands the project root (or lib/)
# to what links it: that would open every folder to every layer above it.
# Programs at the top may add the root privately for their own headers.
function(kx_check_layering)
  get_property(libs GLOBAL PROPERTY KX_LIBRARIES)
  foreach(lib ${libs})
    get_target_property(dirs ${lib} INTERFACE_INCLUDE_DIRECTORIES)
    foreach(d ${dirs})
      if(d STREQUAL PROJECT_SOURCE_DIR OR d STREQUAL "${PROJECT_SOURCE_DIR}/lib")
        message(FATAL_ERROR "${lib} publishes the include directory ${d}; every library "
                "has its own include root (kx_library) and links only the layers it needs")
      endif()
    endforeach()
  endforeach()
endfunction()

# The library kx_library made of FOLDER (a path from the project root), or
# empty; in VAR.
function(kx_library_of var folder)
  get_property(lib GLOBAL PROPERTY KX_LIBRARY_OF_${folder})
  set(${var} "${lib}" PARENT_SCOPE)
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
