# Turns every image file of a folder into a byte array compiled into the plug-in, so the
# modules carry their bitmaps (101, LOCKED, UNLOCKED) the way a Windows component carries
# its resources. The generated source registers each file under its base name.
function(plotlet_embed_resources out_var dir)
  file(GLOB resource_files CONFIGURE_DEPENDS ${dir}/*.png)
  set(out ${CMAKE_BINARY_DIR}/generated/EmbeddedResources.cpp)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DFILES="${resource_files}"
            -P ${CMAKE_SOURCE_DIR}/cmake/GenerateResources.cmake
    DEPENDS ${resource_files} ${CMAKE_SOURCE_DIR}/cmake/GenerateResources.cmake
    COMMENT "Embedding plug-in resources")
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()
