# vor_artwork: the eleven images of gauge/art/ built into the program, their
# PNG decoder (libpng) and loadGaugeArtwork. A build step turns the PNG files
# into a generated source (embed_art.cmake), re-run whenever one changes;
# neither build needs cairo or reads an image at run time.

# Slot order of GaugeArtwork.
set(VOR_ART_FILES
    bezel.png face.png course-card.png needle.png flag-fill.png flag-cover.png
    nav-off.png gs-off.png link-lamp.png panel-light.png link-glow.png)
set(art_paths "")
foreach(name IN LISTS VOR_ART_FILES)
    list(APPEND art_paths ${CMAKE_CURRENT_SOURCE_DIR}/art/${name})
endforeach()
string(REPLACE ";" "|" art_names "${VOR_ART_FILES}")
set(art_source ${CMAKE_CURRENT_BINARY_DIR}/embedded_art_data.cpp)
add_custom_command(
    OUTPUT ${art_source}
    COMMAND ${CMAKE_COMMAND} -DART_DIR=${CMAKE_CURRENT_SOURCE_DIR}/art
            -DNAMES=${art_names} -DOUTPUT=${art_source}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/embed_art.cmake
    DEPENDS ${art_paths} ${CMAKE_CURRENT_SOURCE_DIR}/embed_art.cmake
    COMMENT "Embedding gauge/art/*.png"
    VERBATIM)

add_library(vor_artwork STATIC gauge_artwork.cpp png_decode.cpp ${art_source})
target_link_libraries(vor_artwork PUBLIC vor_options PRIVATE vor::png)
