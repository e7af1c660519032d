# The Windows build (toolchain cmake/mingw-w64.cmake): custor.dll, custor-agent.dll and custor.exe from the
# same sources as the Linux build, and their tests run under wine. Included by the top-level
# CMakeLists.txt before its subdirectories.

# corvaned is a Linux server: the Windows end-to-end test talks to the one of a Linux build.
set(CUSTOR_BUILD_SERVER OFF)
set(CUSTOR_CORVANED "" CACHE FILEPATH "corvaned of a Linux build, for the end-to-end test of custor.exe")
if(CUSTOR_SANITIZE)
  message(FATAL_ERROR "CUSTOR_SANITIZE: mingw-w64 has no sanitizers; the Linux build runs them")
endif()
if(NOT CUSTOR_BUILD_CLI)
  message(FATAL_ERROR "custor.dll links the import library of custor-agent.dll: CUSTOR_BUILD_CLI must be ON")
endif()

# Programs and DLLs side by side, as installed: a program finds the DLLs it imports in its own directory.
# The library's unit tests have a directory of their own, beside the test agent's custor-agent.dll.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CUSTOR_WINDOWS_UNIT_DIR ${CMAKE_BINARY_DIR}/unit)

# Every program and DLL carries its own copy of the GCC runtime (libgcc, libstdc++, winpthread), so that
# custor.dll imports nothing but Windows's own DLLs and custor-agent.dll.
target_link_options(custor_flags INTERFACE -static)

# custor_windows_dll(TARGET DEF): TARGET is the DLL named OUTPUT_NAME.dll (no "lib"), exporting by name
# exactly what the module definition DEF lists.
function(custor_windows_dll target def)
  target_sources(${target} PRIVATE ${def})
  set_target_properties(${target} PROPERTIES PREFIX "" LINK_DEPENDS ${def})
endfunction()

# expat, built for mingw-w64 from Debian's source package by scripts/windows-deps.
set(CUSTOR_EXPAT_PREFIX ${CMAKE_BINARY_DIR}/expat CACHE PATH "expat for mingw-w64 (scripts/windows-deps BUILD)")
find_package(expat 2.5 CONFIG REQUIRED PATHS ${CUSTOR_EXPAT_PREFIX} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set_target_properties(expat::expat PROPERTIES IMPORTED_GLOBAL TRUE)
add_library(EXPAT::EXPAT ALIAS expat::expat)

# CLI11 and nlohmann/json are headers only; each directory is given alone, as the host's /usr/include
# must stay out of sight.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/cli11 ${CMAKE_BINARY_DIR}/nlohmann_json)
file(CREATE_LINK /usr/include/CLI ${CMAKE_BINARY_DIR}/cli11/CLI SYMBOLIC)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/nlohmann_json/nlohmann SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/nlohmann_json)

if(CUSTOR_BUILD_TESTS)
  # GoogleTest from Debian's googletest package (its sources), built with the project (GTest:: targets).
  set(INSTALL_GTEST OFF CACHE INTERNAL "")
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

  # ctest runs the test programs under wine, in a prefix of this build tree.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run ${CMAKE_BINARY_DIR}/wine)
endif()
