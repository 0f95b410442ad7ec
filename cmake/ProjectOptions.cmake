# Compiler settings shared by every target of the project.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)

# Warnings are errors in all three builds. Applied per target so that
# third-party code (GoogleTest) keeps its own settings.
function(kelvi_target_defaults target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual -Wformat=2 -Wundef
    -Werror -fno-exceptions $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
  # Release (the shipped 32-bit build is configured MinSizeRel): small, and no
  # trace of the machine that built it, so that two builds match byte for byte.
  target_compile_options(${target} PRIVATE
    $<$<CONFIG:MinSizeRel>:-ffunction-sections -fdata-sections
      -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=.>)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    # Windows 95/98 and NT 4 headers level for the shipped programs, ANSI API;
    # test programs may look at the system with newer calls.
    get_target_property(windows_version ${target} KELVI_WINDOWS_VERSION)
    if(NOT windows_version)
      set(windows_version 0x0400)
    endif()
    target_compile_definitions(${target} PRIVATE
      WINVER=${windows_version} _WIN32_WINNT=${windows_version} _WIN32_IE=0x0400 NOMINMAX WIN32_LEAN_AND_MEAN)
  endif()
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # What ships runs on every processor the boards carry, down to the i586
    # class (no conditional moves, no fcomi); nothing throws, so no unwind
    # tables.
    target_compile_options(${target} PRIVATE -march=i586 -fno-asynchronous-unwind-tables -fno-unwind-tables)
  endif()
endfunction()

# Windows programs link statically so that nothing but system DLLs is needed.
# No link time stamp in the header; a release build is stripped of symbols and
# of unreferenced code. Sections aligned to whole pages in the file let the
# loader map the image straight from it (Windows 95/98 load an image of
# smaller alignment whole into the swap file, and Wine copies it into private
# memory).
# CONSOLE makes a console program of it instead of a window program.
function(kelvi_windows_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "CONSOLE" "" "")
  kelvi_target_defaults(${target})
  if(arg_CONSOLE)
    set(subsystem -mconsole)
  else()
    set(subsystem -mwindows)
  endif()
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++ ${subsystem}
    -Wl,--no-insert-timestamp -Wl,--file-alignment,4096 $<$<CONFIG:MinSizeRel>:-s -Wl,--gc-sections>)
endfunction()

# A program that carries the project's own runtime (common/runtime)
# instead of the C library's DLL, which a plain Windows 95 lacks; in the
# 32-bit build without the unwind tables that the compiler support library
# brings along. WITH_C_LIBRARY (the simulator build, whose simulated board
# needs the C library's mathematics and parsing, and with them its start-up)
# keeps the C library and its start-up behind the runtime's functions;
# CONSOLE gives a console program the console entry point.
function(kelvi_own_runtime target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "WITH_C_LIBRARY;CONSOLE" "" "")
  target_link_libraries(${target} PRIVATE runtime_memory)
  if(arg_CONSOLE)
    target_link_libraries(${target} PRIVATE runtime_console_startup runtime_program_start)
    target_link_options(${target} PRIVATE -nostdlib)
  elseif(NOT arg_WITH_C_LIBRARY)
    target_link_libraries(${target} PRIVATE runtime_startup runtime_program_start)
    target_link_options(${target} PRIVATE -nostdlib)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(script ${PROJECT_SOURCE_DIR}/common/runtime/discard_unwind_tables.ld)
    target_link_options(${target} PRIVATE -Wl,-T,${script})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
  endif()
endfunction()

function(kelvi_console_program target)
  kelvi_target_defaults(${target})
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

# A logic library (no Win32 calls) whose unit tests live in tests/unit.
function(kelvi_unit_tested target)
  set_property(GLOBAL APPEND PROPERTY KELVI_UNIT_TESTED ${target})
endfunction()

# The sanitizer build (clang): AddressSanitizer and UndefinedBehaviorSanitizer
# on every target, any report fatal; the fuzz targets are built there, and
# every library carries libFuzzer's coverage marks so that the fuzzers see
# which paths of the code under test an input reaches.
option(KELVI_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(KELVI_SANITIZE)
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
