# Compiler flags shared by every target of the project: an interface library
# that each target links, so that third-party code keeps its own flags.
add_library(vor_options INTERFACE)
target_compile_options(vor_options INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wshadow -Wnon-virtual-dtor>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra>)
if(VOR_WERROR)
    target_compile_options(vor_options INTERFACE -Werror)
endif()
target_include_directories(vor_options INTERFACE ${PROJECT_SOURCE_DIR})

if(VOR_SANITIZE)
    target_compile_options(vor_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(vor_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
    # ANSI Win32 calls throughout; no MFC-era min/max macros.
    target_compile_definitions(vor_options INTERFACE
        WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    # Self-contained executables: no libgcc, libstdc++ or winpthread DLLs.
    target_link_options(vor_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
