# Link-time and profile-guided optimisation of the programs people run.
#
# vireo_use_profile(LIBRARY... PROGRAM) applies both to the engine libraries
# and the program that links them. The libraries' objects carry ordinary code
# beside the link-time form (-ffat-lto-objects), so the tests, tools and
# benchmarks link them quickly without link-time optimisation.

# For g++ only. Not for the mingw-w64 builds: there the C library's inline
# printf family, compiled once into the link-time form and once into
# ordinary code, is defined twice when a program links both. Not for
# clang++: its objects cannot carry ordinary code beside the link-time form,
# and its program was no faster with it.
if(MINGW OR NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(VIREO_LTO_DEFAULT OFF)
else()
  set(VIREO_LTO_DEFAULT ON)
endif()
option(VIREO_LTO "Link-time optimisation of the engine (Release builds, g++)" ${VIREO_LTO_DEFAULT})
option(VIREO_PGO "Profile-guided optimisation: build, train on bench, rebuild" OFF)
# Set by the training build of VIREO_PGO: where its counters go.
set(VIREO_PROFILE_GENERATE "" CACHE PATH "Internal: directory for the training build's profile")
mark_as_advanced(VIREO_PROFILE_GENERATE)

set(VIREO_LTO_ACTIVE OFF)
if(VIREO_LTO AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  message(STATUS "Link-time optimisation is for g++ builds: off")
elseif(VIREO_LTO AND CMAKE_BUILD_TYPE MATCHES "^(Release|MinSizeRel)$")
  include(CheckIPOSupported)
  check_ipo_supported(RESULT VIREO_IPO_SUPPORTED OUTPUT VIREO_IPO_MESSAGE LANGUAGES CXX)
  if(VIREO_IPO_SUPPORTED)
    set(VIREO_LTO_ACTIVE ON)
  else()
    message(STATUS "Link-time optimisation not available: ${VIREO_IPO_MESSAGE}")
  endif()
endif()

if(VIREO_PGO AND CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "VIREO_PGO trains on this machine: it cannot be used for a cross build")
endif()
if(VIREO_PGO AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  message(FATAL_ERROR "VIREO_PGO is written for g++: name it with -DCMAKE_CXX_COMPILER=g++")
endif()

# The profile's file names are the objects' paths below the build folder, so
# the training build's counters fit the final build's objects.
if(VIREO_PGO)
  set(VIREO_PGO_DIR ${CMAKE_BINARY_DIR}/pgo)
  set(VIREO_PGO_PROFILE ${VIREO_PGO_DIR}/profile)
  set(VIREO_PGO_STAMP ${VIREO_PGO_DIR}/trained.stamp)
  set(VIREO_PGO_TRAINEE ${VIREO_PGO_DIR}/build/vireo${CMAKE_EXECUTABLE_SUFFIX})
  include(ExternalProject)
  ExternalProject_Add(vireo_pgo_instrumented
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${VIREO_PGO_DIR}/build
    CMAKE_ARGS
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
      -DVIREO_ARCH=${VIREO_ARCH}
      -DVIREO_LTO=${VIREO_LTO}
      -DVIREO_TESTS=OFF
      -DVIREO_REVISION=${VIREO_REVISION}
      -DVIREO_PROFILE_GENERATE=${VIREO_PGO_PROFILE}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target vireo
    BUILD_BYPRODUCTS ${VIREO_PGO_TRAINEE}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  # Training runs again only when the instrumented program changed.
  add_custom_command(OUTPUT ${VIREO_PGO_STAMP}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${VIREO_PGO_PROFILE}
    COMMAND ${VIREO_PGO_TRAINEE} bench
    COMMAND ${CMAKE_COMMAND} -E touch ${VIREO_PGO_STAMP}
    DEPENDS vireo_pgo_instrumented ${VIREO_PGO_TRAINEE}
    COMMENT "Training the profile-guided build on bench"
    VERBATIM)
  add_custom_target(vireo_pgo_training DEPENDS ${VIREO_PGO_STAMP})
endif()

function(vireo_use_profile)
  foreach(target IN LISTS ARGN)
    if(VIREO_LTO_ACTIVE)
      set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "STATIC_LIBRARY")
        target_compile_options(${target} PRIVATE -ffat-lto-objects)
      endif()
    endif()
    if(VIREO_PROFILE_GENERATE)
      target_compile_options(${target} PRIVATE -fprofile-generate=${VIREO_PROFILE_GENERATE}
                                               -fprofile-prefix-path=${CMAKE_BINARY_DIR})
      target_link_options(${target} PRIVATE -fprofile-generate=${VIREO_PROFILE_GENERATE})
    elseif(VIREO_PGO)
      add_dependencies(${target} vireo_pgo_training)
      # Code the bench does not reach (the protocol, the book) keeps the
      # ordinary optimisation instead of being compiled for size.
      target_compile_options(${target} PRIVATE -fprofile-use=${VIREO_PGO_PROFILE}
                                               -fprofile-prefix-path=${CMAKE_BINARY_DIR}
                                               -fprofile-partial-training -Wno-missing-profile)
      get_target_property(sources ${target} SOURCES)
      set_property(SOURCE ${sources} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${VIREO_PGO_STAMP})
    endif()
  endforeach()
endfunction()
