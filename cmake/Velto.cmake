# Shared helpers for assembling the engine library and its tests.

set(VELTO_OBJECT_LIBRARIES "" CACHE INTERNAL "")
set(VELTO_COMMON_DEPENDENCIES PkgConfig::GLIB nlohmann_json::nlohmann_json Threads::Threads dl)

# velto_sources_in(VARIABLE FOLDER...): every .cpp in the folders and their sub-folders, picked up again when
# files come or go.
function(velto_sources_in variable)
  set(sources "")
  foreach(folder IN LISTS ARGN)
    file(GLOB_RECURSE folder_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
    list(APPEND sources ${folder_sources})
  endforeach()
  set(${variable} ${sources} PARENT_SCOPE)
endfunction()

# velto_object_library(NAME FOLDER...): every .cpp in the folders and their sub-folders.
function(velto_object_library name)
  velto_sources_in(sources ${ARGN})
  velto_batched_sources(sources ${name} ${sources})
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${VELTO_COMMON_DEPENDENCIES})
  set(VELTO_OBJECT_LIBRARIES ${VELTO_OBJECT_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()

# velto_batched_sources(VARIABLE TARGET SOURCE...): with VELTO_UNITY, the sources grouped into
# batches, each a generated file that includes its members by their paths from the checkout (so the
# generated text, and what ccache keys on, is the same in every clone); else the sources themselves.
function(velto_batched_sources variable target)
  if(NOT VELTO_UNITY)
    set(${variable} ${ARGN} PARENT_SCOPE)
    return()
  endif()
  set(batch_size 8)
  set(batches "")
  set(content "")
  set(count 0)
  set(index 0)
  foreach(source IN LISTS ARGN)
    file(RELATIVE_PATH relative "${PROJECT_SOURCE_DIR}" "${source}")
    string(APPEND content "#include \"${relative}\"\n")
    math(EXPR count "${count} + 1")
    if(count EQUAL batch_size)
      velto_write_batch(batch ${target} ${index} "${content}")
      list(APPEND batches ${batch})
      set(content "")
      set(count 0)
      math(EXPR index "${index} + 1")
    endif()
  endforeach()
  if(count GREATER 0)
    velto_write_batch(batch ${target} ${index} "${content}")
    list(APPEND batches ${batch})
  endif()
  set(${variable} ${batches} PARENT_SCOPE)
endfunction()

# velto_write_batch(VARIABLE TARGET INDEX CONTENT): writes one batch, only when its text changed.
function(velto_write_batch variable target index content)
  set(file "${CMAKE_CURRENT_BINARY_DIR}/batches/${target}-${index}.cpp")
  file(CONFIGURE OUTPUT "${file}" CONTENT "${content}" @ONLY)
  set(${variable} "${file}" PARENT_SCOPE)
endfunction()

# velto_test(NAME FOLDER...): one GoogleTest executable from every .cpp in the folders.
function(velto_test name)
  velto_sources_in(sources ${ARGN})
  list(LENGTH sources file_count)
  velto_batched_sources(sources ${name} ${sources})
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE Velto VeltoTestSupport GTest::gtest GTest::gmock)
  if(CMAKE_BUILD_TYPE STREQUAL "Check")
    # The tests' own code runs little: optimising it cost a quarter of their compile.
    target_compile_options(${name} PRIVATE -O0)
  endif()
  if(VELTO_TEST_SHARDS)
    velto_add_test_shards(${name} ${file_count})
    return()
  endif()
  set(properties TIMEOUT 120)
  if(velto_test_environment)
    list(APPEND properties ENVIRONMENT "${velto_test_environment}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# velto_add_test_shards(NAME FILE_COUNT): the suite NAME as ctest tests of one shard each, one shard for
# every two of its source files. Under the sanitizers a test process costs more to start and end than
# most tests take, so a process per shard instead of per test saves most of the suite's time.
function(velto_add_test_shards name file_count)
  math(EXPR shards "(${file_count} + 1) / 2")
  math(EXPR last "${shards} - 1")
  foreach(index RANGE ${last})
    set(test "${name}.Shard${index}")
    add_test(NAME ${test} COMMAND ${name} --gtest_brief=1)
    set(environment "GTEST_TOTAL_SHARDS=${shards}" "GTEST_SHARD_INDEX=${index}")
    if(velto_test_environment)
      list(APPEND environment "${velto_test_environment}")
    endif()
    set_tests_properties(${test} PROPERTIES TIMEOUT 900 ENVIRONMENT "${environment}")
  endforeach()
endfunction()

# velto_embed_scripts(TARGET FOLDER CACHED_FOLDER): compiles the bytes of every .js file under FOLDER, and
# under CACHED_FOLDER (an absolute path outside the source tree), into TARGET, reachable by name
# through VLEmbeddedScript().
function(velto_embed_scripts target folder cached_dir)
  set(source_dir "${PROJECT_SOURCE_DIR}/${folder}")
  set(output "${CMAKE_CURRENT_BINARY_DIR}/generated/VLEmbeddedScriptsData.cpp")
  file(GLOB_RECURSE scripts CONFIGURE_DEPENDS "${source_dir}/*.js" "${cached_dir}/*.js")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${source_dir} -DCACHED_DIR=${cached_dir} -DOUTPUT=${output}
            -P "${PROJECT_SOURCE_DIR}/cmake/VeltoEmbedScripts.cmake"
    DEPENDS ${scripts} "${PROJECT_SOURCE_DIR}/cmake/VeltoEmbedScripts.cmake"
    COMMENT "Embedding scripts of ${folder}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()

# velto_fetch_npm(VARIABLE ENV_FILE): the folder in the cache outside the source tree that holds what
# scripts/fetch-npm.sh keeps of the pinned npm package that cmake/ENV_FILE names, fetched there on first use.
function(velto_fetch_npm variable env_file)
  set(env "${PROJECT_SOURCE_DIR}/cmake/${env_file}")
  execute_process(
    COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/fetch-npm.sh" "${env}"
    OUTPUT_VARIABLE folder
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE fetch_result)
  if(NOT fetch_result EQUAL 0 OR NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "The files of cmake/${env_file} are missing; scripts/setup.sh fetches them")
  endif()
  set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${env}")
  set(${variable} "${folder}" PARENT_SCOPE)
endfunction()

# velto_bundle_npm_scripts(VARIABLE): the folder in the cache outside the source tree that holds the
# third-party scripts which scripts/bundle-npm-scripts.sh makes from the packages cmake/package-lock.json
# pins (made there on first use), with their licences.
function(velto_bundle_npm_scripts variable)
  execute_process(
    COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/bundle-npm-scripts.sh"
    OUTPUT_VARIABLE folder
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE bundle_result)
  if(NOT bundle_result EQUAL 0 OR NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "The bundled npm scripts are missing; scripts/setup.sh makes them")
  endif()
  foreach(input cmake/package.json cmake/package-lock.json scripts/bundle-npm-scripts.sh scripts/npm/url-entry.js
                scripts/npm/url-loader.js scripts/npm/web-streams-polyfill-loader.js)
    set_property(DIRECTORY "${PROJECT_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                                                                   "${PROJECT_SOURCE_DIR}/${input}")
  endforeach()
  set(${variable} "${folder}" PARENT_SCOPE)
endfunction()
