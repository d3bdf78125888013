# Shared helpers for assembling the engine library and its tests.

set(VELTO_OBJECT_LIBRARIES "" CACHE INTERNAL "")
set(VELTO_COMMON_DEPENDENCIES PkgConfig::GLIB nlohmann_json::nlohmann_json Threads::Threads dl)

# velto_object_library(NAME FOLDER...): every .cpp directly in the folders.
function(velto_object_library name)
  set(sources "")
  foreach(folder IN LISTS ARGN)
    file(GLOB folder_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
    list(APPEND sources ${folder_sources})
  endforeach()
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${VELTO_COMMON_DEPENDENCIES})
  set(VELTO_OBJECT_LIBRARIES ${VELTO_OBJECT_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()

# velto_test(NAME FOLDER...): one GoogleTest executable from every .cpp in the folders.
function(velto_test name)
  set(sources "")
  foreach(folder IN LISTS ARGN)
    file(GLOB folder_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
    list(APPEND sources ${folder_sources})
  endforeach()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE Velto VeltoTestSupport GTest::gtest GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
