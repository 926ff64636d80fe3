# SimIpcClient and the link threads.
#   vor_sim_ipc_client  the client over the real platform calls (vor_ipc_platform)
#   vor_simlink         the link threads, the client and the real platform calls
# The *_core libraries hold the same code without any sim_ipc_platform.h
# implementation, so that tests can link a fake one in its place.
add_library(vor_sim_ipc_client_core STATIC ${CMAKE_CURRENT_SOURCE_DIR}/sim_ipc_client.cpp)
target_link_libraries(vor_sim_ipc_client_core PUBLIC vor_options)

add_library(vor_sim_ipc_client INTERFACE)
target_link_libraries(vor_sim_ipc_client INTERFACE vor_sim_ipc_client_core vor_ipc_platform)

add_library(vor_simlink_core STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/link_threads.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/${VOR_PLATFORM}/link_platform_${VOR_PLATFORM}.cpp)
target_link_libraries(vor_simlink_core PUBLIC vor_options vor_sim_ipc_client_core vor_state vor_pause)
if(NOT WIN32)
    target_link_libraries(vor_simlink_core PUBLIC Threads::Threads)
endif()

add_library(vor_simlink INTERFACE)
target_link_libraries(vor_simlink INTERFACE vor_simlink_core vor_sim_ipc_client)
