# The source revision for the embedded version string: `git describe` at
# configure time, "unknown" when the tree is no git checkout.
find_package(Git QUIET)
set(ZEPH_REVISION "unknown")
if(GIT_FOUND)
  execute_process(
    COMMAND ${GIT_EXECUTABLE} -C ${CMAKE_SOURCE_DIR} describe --always --dirty --tags
    OUTPUT_VARIABLE ZEPH_GIT_DESCRIBE
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET
    RESULT_VARIABLE ZEPH_GIT_RESULT)
  if(ZEPH_GIT_RESULT EQUAL 0 AND ZEPH_GIT_DESCRIBE)
    set(ZEPH_REVISION "${ZEPH_GIT_DESCRIBE}")
  endif()
endif()

configure_file(${CMAKE_SOURCE_DIR}/cmake/version.cpp.in ${CMAKE_BINARY_DIR}/generated/version.cpp
               @ONLY)
# Linked as an object into every binary, so the version string is always
# there (an archive member nothing calls would be left out).
add_library(zephversion OBJECT ${CMAKE_BINARY_DIR}/generated/version.cpp)
target_include_directories(zephversion PRIVATE ${CMAKE_SOURCE_DIR}/src)
# Inside the simulator library the version stays its own, not exported.
set_target_properties(zephversion PROPERTIES CXX_VISIBILITY_PRESET hidden)

# Puts the version into a binary target.
function(zeph_embed_version target)
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:zephversion>)
endfunction()
