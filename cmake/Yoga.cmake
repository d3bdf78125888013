# Yoga, compiled from the pinned sources that scripts/fetch-yoga.sh keeps in the cache outside the source
# tree (fetched there on first use). Yoga's own warnings are silenced for its files only.

execute_process(
  COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/fetch-yoga.sh"
  OUTPUT_VARIABLE VELTO_YOGA_DIR
  OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE fetch_result)
if(NOT fetch_result EQUAL 0 OR NOT EXISTS "${VELTO_YOGA_DIR}/yoga/Yoga.h")
  message(FATAL_ERROR "Yoga's sources are missing; scripts/setup.sh fetches them")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/cmake/yoga-source.env")

file(GLOB_RECURSE yoga_sources CONFIGURE_DEPENDS "${VELTO_YOGA_DIR}/yoga/*.cpp")
add_library(VeltoYoga OBJECT ${yoga_sources})
target_include_directories(VeltoYoga SYSTEM PUBLIC "${VELTO_YOGA_DIR}")
target_compile_options(VeltoYoga PRIVATE -w)
set(VELTO_OBJECT_LIBRARIES ${VELTO_OBJECT_LIBRARIES} VeltoYoga CACHE INTERNAL "")
