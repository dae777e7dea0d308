# The warning picture: three single-channel PCX files from tools/make_picture,
# plus a merged PNG preview beside them for looking at.
set(picture_dir ${CMAKE_CURRENT_BINARY_DIR}/picture)
set(picture_files ${picture_dir}/warning_red.pcx ${picture_dir}/warning_green.pcx ${picture_dir}/warning_blue.pcx)
add_custom_command(OUTPUT ${picture_files} ${picture_dir}/warning_preview.png
  COMMAND ${CMAKE_COMMAND} -E make_directory ${picture_dir}
  COMMAND make_picture ${picture_dir} --png ${picture_dir}/warning_preview.png
  DEPENDS make_picture
  COMMENT "Making the warning picture")
vortelan_embed_asset(warningPictureRed ${picture_dir}/warning_red.pcx make_picture)
vortelan_embed_asset(warningPictureGreen ${picture_dir}/warning_green.pcx make_picture)
vortelan_embed_asset(warningPictureBlue ${picture_dir}/warning_blue.pcx make_picture)
