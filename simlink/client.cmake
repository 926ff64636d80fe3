# placeholder until the link is built: no link at all.
add_library(vor_simlink STATIC ${CMAKE_CURRENT_SOURCE_DIR}/link_threads.cpp)
target_link_libraries(vor_simlink PUBLIC vor_options vor_state vor_pause)
