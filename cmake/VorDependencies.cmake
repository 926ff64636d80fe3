# Third-party libraries. Each is found here once; targets link the
# imported names (vor::png, vor::sdl2, GTest::gtest_main ...).

# libpng: the system's natively; for MinGW a static build made by
# scripts/build-libpng-mingw.sh, whose prefix the windows preset passes in.
if(WIN32)
    set(VOR_LIBPNG_PREFIX "" CACHE PATH "Prefix of the static MinGW libpng build")
    if(NOT VOR_LIBPNG_PREFIX)
        # Where scripts/build-libpng-mingw.sh caches it by default.
        if(DEFINED ENV{VOR_CACHE_DIR})
            set(VOR_LIBPNG_PREFIX $ENV{VOR_CACHE_DIR}/libpng-mingw)
        elseif(DEFINED ENV{XDG_CACHE_HOME})
            set(VOR_LIBPNG_PREFIX $ENV{XDG_CACHE_HOME}/vor-tavrin/libpng-mingw)
        else()
            set(VOR_LIBPNG_PREFIX $ENV{HOME}/.cache/vor-tavrin/libpng-mingw)
        endif()
    endif()
    set(VOR_PNG_INCLUDE ${VOR_LIBPNG_PREFIX}/include)
    set(VOR_PNG_LIBRARY ${VOR_LIBPNG_PREFIX}/lib/libpng16.a)
    if(NOT EXISTS ${VOR_PNG_INCLUDE}/png.h OR NOT EXISTS ${VOR_PNG_LIBRARY})
        message(FATAL_ERROR "No MinGW libpng at '${VOR_LIBPNG_PREFIX}': "
                            "run scripts/build-libpng-mingw.sh and pass its output "
                            "as VOR_LIBPNG_PREFIX")
    endif()
    find_library(VOR_ZLIB_LIBRARY NAMES libz.a z REQUIRED)
    add_library(vor_png_imported INTERFACE)
    target_include_directories(vor_png_imported SYSTEM INTERFACE ${VOR_PNG_INCLUDE})
    target_link_libraries(vor_png_imported INTERFACE ${VOR_PNG_LIBRARY} ${VOR_ZLIB_LIBRARY})
    add_library(vor::png ALIAS vor_png_imported)
else()
    find_package(PNG REQUIRED)
    add_library(vor::png ALIAS PNG::PNG)
    find_package(SDL2 REQUIRED)
    add_library(vor_sdl2_imported INTERFACE)
    if(TARGET SDL2::SDL2)
        target_link_libraries(vor_sdl2_imported INTERFACE SDL2::SDL2)
    else()
        target_include_directories(vor_sdl2_imported SYSTEM INTERFACE ${SDL2_INCLUDE_DIRS})
        target_link_libraries(vor_sdl2_imported INTERFACE ${SDL2_LIBRARIES})
    endif()
    add_library(vor::sdl2 ALIAS vor_sdl2_imported)
    find_package(Threads REQUIRED)
endif()

# GoogleTest from its sources, so that both builds use the same one.
if(VOR_TESTS)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
    if(NOT WIN32)
        find_package(benchmark QUIET)
    endif()
endif()
