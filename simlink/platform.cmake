# The platform calls of sim_ipc_platform.h for this build: target
# vor_ipc_platform. On Windows the real Win32 calls; natively our own layer
# (posix/ipc_posix_shared.h), which also carries the server side that the
# simulator stand-in uses (posix/ipc_posix_server.h).
if(WIN32)
    add_library(vor_ipc_platform STATIC ${CMAKE_CURRENT_LIST_DIR}/win32/sim_ipc_platform_win32.cpp)
    target_link_libraries(vor_ipc_platform PUBLIC vor_options user32 kernel32)
else()
    add_library(vor_ipc_platform STATIC
        ${CMAKE_CURRENT_LIST_DIR}/posix/sim_ipc_platform_posix.cpp
        ${CMAKE_CURRENT_LIST_DIR}/posix/ipc_posix_shared.cpp
        ${CMAKE_CURRENT_LIST_DIR}/posix/ipc_posix_server.cpp)
    target_link_libraries(vor_ipc_platform PUBLIC vor_options Threads::Threads)
    # shm_open lives in librt on older C libraries.
    find_library(VOR_RT_LIBRARY rt)
    if(VOR_RT_LIBRARY)
        target_link_libraries(vor_ipc_platform PUBLIC ${VOR_RT_LIBRARY})
    endif()
endif()
