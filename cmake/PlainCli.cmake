# The memory-limit tests run the tool in an address space too small for what a command needs.
# AddressSanitizer reserves far more address space than any such limit, so a sanitizer build of
# the tests builds the tool once more without the sanitizers, for those tests alone
# (target varnwork_cli_plain, the tool at ${VARN_PLAIN_CLI}).
#
# Included from the top-level list before any library, so that its steps come first in the
# build files: Ninja starts the ready step that was declared first, and a step declared after
# the libraries waits until nearly everything else is built, then runs alone on one processor.
# Declared first, it runs beside the main build from the start.

# The benchmarks, when the sanitizer build leaves them out, are built here instead, so that
# they keep building.
if(VARN_BUILD_BENCH)
  set(VARN_BUILD_PLAIN_BENCH OFF)
else()
  set(VARN_BUILD_PLAIN_BENCH ON)
endif()
include(ExternalProject)
ExternalProject_Add(varnwork_cli_plain
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/plain-cli
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 -DVARN_SANITIZE=OFF
             -DVARN_BUILD_FUZZ=OFF -DCMAKE_UNITY_BUILD=${CMAKE_UNITY_BUILD}
             -DCMAKE_EXE_LINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS}
             -DVARN_BUILD_TESTS=OFF -DVARN_BUILD_APP=OFF -DVARN_BUILD_BENCH=${VARN_BUILD_PLAIN_BENCH}
             -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
             -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  # One job: the main build keeps the other processor busy beside it.
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> -j 1
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON)
set(VARN_PLAIN_CLI "${CMAKE_BINARY_DIR}/plain-cli/bin/varnwork-cli")
