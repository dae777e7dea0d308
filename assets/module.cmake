# The music module, composed by tools/make_module at build time.
set(music_module_file ${CMAKE_CURRENT_BINARY_DIR}/music.it)
add_custom_command(OUTPUT ${music_module_file}
  COMMAND make_module ${music_module_file}
  DEPENDS make_module
  COMMENT "Composing the music module")
vortelan_embed_asset(musicModule ${music_module_file} make_module)
