# Build switches and the compile flags every target of the project shares.

option(QUARNEL_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
option(QUARNEL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUARNEL_BUILD_TESTS "Build the test suites" ON)
option(QUARNEL_BUILD_BENCHMARKS "Build the benchmarks" ON)
option(QUARNEL_BUILD_FUZZERS "Build the libFuzzer targets (needs clang)" OFF)

# The Windows build (cmake/mingw-w64-x86_64.cmake): no sanitizers, benchmarks or fuzzers there.
if(WIN32)
    set(QUARNEL_SANITIZE OFF CACHE BOOL "" FORCE)
    set(QUARNEL_BUILD_BENCHMARKS OFF CACHE BOOL "" FORCE)
    set(QUARNEL_BUILD_FUZZERS OFF CACHE BOOL "" FORCE)
endif()

add_library(quarnel_flags INTERFACE)
target_compile_options(quarnel_flags INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
if(QUARNEL_WARNINGS_AS_ERRORS)
    target_compile_options(quarnel_flags INTERFACE -Werror)
endif()

# Code loaded into a Firebird process (the server-side function library) must never carry
# sanitizer runtimes, so the sanitizer flags live on their own target that it does not link.
add_library(quarnel_sanitize INTERFACE)
if(QUARNEL_SANITIZE)
    target_compile_options(quarnel_sanitize INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(quarnel_sanitize INTERFACE -fsanitize=address,undefined)
endif()

# Everything of ours links this one.
add_library(quarnel_defaults INTERFACE)
target_link_libraries(quarnel_defaults INTERFACE quarnel_flags quarnel_sanitize)
target_compile_definitions(quarnel_defaults INTERFACE
    QUARNEL_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    QUARNEL_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    QUARNEL_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    QUARNEL_VERSION_TWEAK=${PROJECT_VERSION_TWEAK}
    QUARNEL_VERSION_TEXT="${PROJECT_VERSION}")
if(WIN32)
    # Wide Win32 calls only; <windows.h> without its rarely used parts and its min/max macros; the
    # C runtime's gmtime_r and localtime_r.
    target_compile_definitions(quarnel_defaults INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
        _WIN32_WINNT=0x0601 _POSIX_THREAD_SAFE_FUNCTIONS)
endif()

# Libraries built for the fuzz targets carry libFuzzer's coverage instrumentation.
if(QUARNEL_BUILD_FUZZERS)
    target_compile_options(quarnel_defaults INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
    target_link_options(quarnel_defaults INTERFACE -fsanitize=address,undefined)
endif()
