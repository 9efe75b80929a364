# Helpers shared by every directory of the build.

# Warnings for our own targets (not for GoogleTest).
function(varnook_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(VARNOOK_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# The stub is built small: no exceptions or RTTI, no locks around local statics (it
# has one thread, and the lock would drag in the exception runtime), every function
# and object in a section of its own so that the linker can drop what is unused.
set(VARNOOK_STUB_COMPILE_OPTIONS
    -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables -fno-unwind-tables
    -ffunction-sections -fdata-sections)
# The stub formats with the system's own printf (msvcrt) instead of mingw's C99 one,
# which would more than double its size. Its conversions are the classic ones: no
# %lld or %zu (use the <cinttypes> macros).
set(VARNOOK_STUB_DEFINITIONS VARNOOK_STUB=1 __USE_MINGW_ANSI_STDIO=0)

# varnook_library(NAME SOURCES ... [WIN32_SOURCES ...] [DEPENDS ...])
#
# Builds NAME from the portable sources (plus the Win32 ones on Windows). On Windows a
# second copy NAME_stub is compiled with the stub's size options for varnook.exe; the
# plain copy serves the tests and the builder.
function(varnook_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;WIN32_SOURCES;DEPENDS;WIN32_LIBS" ${ARGN})
    set(sources ${ARG_SOURCES})
    if(WIN32)
        list(APPEND sources ${ARG_WIN32_SOURCES})
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    varnook_warnings(${name})
    if(WIN32)
        target_link_libraries(${name} PUBLIC ${ARG_WIN32_LIBS})
        set(stub_depends "")
        foreach(dep ${ARG_DEPENDS})
            list(APPEND stub_depends ${dep}_stub)
        endforeach()
        add_library(${name}_stub STATIC ${sources})
        target_include_directories(${name}_stub PUBLIC ${CMAKE_SOURCE_DIR})
        target_compile_options(${name}_stub PRIVATE ${VARNOOK_STUB_COMPILE_OPTIONS})
        target_compile_definitions(${name}_stub PUBLIC ${VARNOOK_STUB_DEFINITIONS})
        target_link_libraries(${name}_stub PUBLIC ${stub_depends} ${ARG_WIN32_LIBS})
        varnook_warnings(${name}_stub)
    endif()
endfunction()
