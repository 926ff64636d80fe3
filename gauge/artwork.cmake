# placeholder until the artwork is built: no images, every slot stays 0.
add_library(vor_artwork STATIC gauge_artwork.cpp)
target_link_libraries(vor_artwork PUBLIC vor_options)
