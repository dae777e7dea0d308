# The show in a web browser (-DVORTELAN_WEB=ON): `cmake --build <build>
# --target web` makes <build>/web/site, one folder for any static web server.
# The native side records the music's performance with the real module player
# (tools/replay_table), encodes its sound, and embeds the table as the
# browser's "module"; then web/ is built with emscripten as an external
# project. emcmake comes from Debian's emscripten package, which needs
# NODE_PATH=/usr/share/nodejs with this system's node.
include(ExternalProject)
find_program(VORTELAN_EMCMAKE emcmake REQUIRED)
find_program(VORTELAN_FFMPEG ffmpeg REQUIRED)

set(web_assets ${CMAKE_BINARY_DIR}/web-assets)
set(native_music ${CMAKE_BINARY_DIR}/assets/music.it)
add_custom_command(OUTPUT ${web_assets}/music.replay ${web_assets}/music.wav
  COMMAND ${CMAKE_COMMAND} -E make_directory ${web_assets}
  COMMAND replay_table ${native_music} ${web_assets}/music.replay ${web_assets}/music.wav
  DEPENDS replay_table vortelan_assets ${native_music}
  COMMENT "Recording the music's performance for the browser")
add_custom_command(OUTPUT ${web_assets}/musicModule.cpp
  COMMAND embed ${web_assets}/music.replay ${web_assets}/musicModule.cpp musicModule
  DEPENDS embed ${web_assets}/music.replay)
# Opus where the browser decodes it, Vorbis elsewhere: about 1.9 MB each for
# the 147 s of music; only one of them is fetched.
add_custom_command(OUTPUT ${web_assets}/music.opus
  COMMAND ${VORTELAN_FFMPEG} -loglevel error -y -i ${web_assets}/music.wav -map_metadata -1 -c:a libopus -b:a 96k
          ${web_assets}/music.opus
  DEPENDS ${web_assets}/music.wav
  COMMENT "Encoding the music as Opus")
add_custom_command(OUTPUT ${web_assets}/music.ogg
  COMMAND ${VORTELAN_FFMPEG} -loglevel error -y -i ${web_assets}/music.wav -map_metadata -1 -c:a libvorbis -q:a 3
          ${web_assets}/music.ogg
  DEPENDS ${web_assets}/music.wav
  COMMENT "Encoding the music as Vorbis")
add_custom_target(web_assets DEPENDS ${web_assets}/musicModule.cpp ${web_assets}/music.opus ${web_assets}/music.ogg)

ExternalProject_Add(web
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/web
  BINARY_DIR ${CMAKE_BINARY_DIR}/web
  CONFIGURE_COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs
    ${VORTELAN_EMCMAKE} ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR> -DCMAKE_BUILD_TYPE=Release
    -DVORTELAN_NATIVE_ASSETS=${CMAKE_BINARY_DIR}/assets -DVORTELAN_WEB_ASSETS=${web_assets}
  BUILD_COMMAND ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs ${CMAKE_COMMAND} --build <BINARY_DIR>
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  DEPENDS web_assets)
