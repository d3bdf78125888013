# Yoga, compiled from the pinned sources that scripts/fetch-npm.sh keeps in the cache outside the source
# tree (fetched there on first use). Yoga's own warnings are silenced for its files only.

velto_fetch_npm(VELTO_YOGA_DIR yoga-source.env)
if(NOT EXISTS "${VELTO_YOGA_DIR}/yoga/Yoga.h")
  message(FATAL_ERROR "Yoga's sources are missing; scripts/setup.sh fetches them")
endif()

file(GLOB_RECURSE yoga_sources CONFIGURE_DEPENDS "${VELTO_YOGA_DIR}/yoga/*.cpp")
add_library(VeltoYoga OBJECT ${yoga_sources})
target_include_directories(VeltoYoga SYSTEM PUBLIC "${VELTO_YOGA_DIR}")
target_compile_options(VeltoYoga PRIVATE -w)
set(VELTO_OBJECT_LIBRARIES ${VELTO_OBJECT_LIBRARIES} VeltoYoga CACHE INTERNAL "")
