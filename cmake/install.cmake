# Installing VORTELAN under the GNU directories, and the two Debian packages
# that CPack makes from the same rules: vortelan (install component "demo":
# the demo, its desktop entry and AppStream metadata, the icons drawn by
# tools/make_icon, its manual page and the README) and vortelan-capture
# (component "capture": the recorder and its manual page; the only one that
# needs FFmpeg). Each carries the copyright file and the changelog.
#   cmake --install <build> [--prefix <dir>] [--component demo|capture]
#   cpack -G DEB   (in <build>)
include(GNUInstallDirs)

option(VORTELAN_INSTALL_TESTS
       "Register the install and package checks (slow: the install stage of scripts/test.sh runs them)" OFF)

# The desktop entry's id, in reverse-DNS form; the metainfo file carries it too.
set(VORTELAN_APP_ID org.example.vortelan)

if(TARGET vortelan)
  install(TARGETS vortelan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT demo)
endif()
if(TARGET vortelan-capture)
  install(TARGETS vortelan-capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT capture)
endif()

install(FILES ${CMAKE_SOURCE_DIR}/desktop/${VORTELAN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT demo)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/${VORTELAN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT demo)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT demo)

# The icon at the sizes desktops ask for, drawn at build time.
set(VORTELAN_ICON_SIZES 16 22 24 32 48 64 128 256)
set(vortelan_install_files "")
foreach(size IN LISTS VORTELAN_ICON_SIZES)
  set(dir ${CMAKE_BINARY_DIR}/icons/${size}x${size})
  add_custom_command(OUTPUT ${dir}/vortelan.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND make_icon ${size} ${dir}/vortelan.png
    DEPENDS make_icon
    COMMENT "Drawing the ${size}x${size} icon")
  list(APPEND vortelan_install_files ${dir}/vortelan.png)
  install(FILES ${dir}/vortelan.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          COMPONENT demo)
endforeach()

# Manual pages: every man/*.1 and man/*.6, with the version filled in and
# compressed as Debian keeps them, into the folder of its section; the
# capture's page goes with the capture.
find_program(VORTELAN_GZIP gzip REQUIRED)
file(GLOB man_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/man/*.1 ${CMAKE_SOURCE_DIR}/man/*.6)
foreach(page IN LISTS man_pages)
  get_filename_component(name ${page} NAME)
  string(REGEX MATCH "[0-9]$" section ${name})
  set(filled ${CMAKE_BINARY_DIR}/man/${name})
  configure_file(${page} ${filled} @ONLY)
  add_custom_command(OUTPUT ${filled}.gz
    COMMAND ${VORTELAN_GZIP} -9nkf ${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/man
    DEPENDS ${filled}
    COMMENT "Compressing the manual page ${name}")
  list(APPEND vortelan_install_files ${filled}.gz)
  if(name MATCHES "^vortelan-capture\\.")
    set(component capture)
  else()
    set(component demo)
  endif()
  install(FILES ${filled}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endforeach()

# Every package carries the copyright file (Debian's machine-readable format)
# and the changelog, compressed without a time stamp so builds are repeatable.
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog ${changelog} COPYONLY)
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND ${VORTELAN_GZIP} -9nkf changelog
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging
  DEPENDS ${changelog}
  COMMENT "Compressing the changelog")
list(APPEND vortelan_install_files ${changelog}.gz)
set(vortelan_components demo)
if(TARGET vortelan-capture)
  list(APPEND vortelan_components capture)
endif()
foreach(component IN LISTS vortelan_components)
  set(package vortelan)
  if(component STREQUAL capture)
    set(package vortelan-capture)
  endif()
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${changelog}.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
endforeach()

add_custom_target(vortelan_install_files ALL DEPENDS ${vortelan_install_files})
# Building this target builds everything that is installed.
foreach(program vortelan vortelan-capture)
  if(TARGET ${program})
    add_dependencies(vortelan_install_files ${program})
  endif()
endforeach()

# The Debian packages, one per component. Their dependencies are what
# dpkg-shlibdeps finds each program linked against, plus what it opens or
# reads at run time, where dpkg-shlibdeps cannot see it.
set(CPACK_PACKAGE_NAME vortelan)
set(CPACK_PACKAGE_VENDOR "VORTELAN developers")
set(CPACK_PACKAGE_CONTACT "VORTELAN developers <vortelan@example.org>")
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${vortelan_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE vortelan)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The description's first line is the package's summary.
set(CPACK_DEBIAN_DEMO_PACKAGE_NAME vortelan)
set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION video)
# SDL opens the OpenGL library (GLX, or EGL on Wayland) only at run time.
set(CPACK_DEBIAN_DEMO_PACKAGE_DEPENDS "libgl1, libegl1")
set(CPACK_DEBIAN_DEMO_DESCRIPTION "real-time audiovisual demo with music and shapes of its own
VORTELAN opens one window, plays a tracker module carried inside the program
and draws a sequence of flat-coloured two-dimensional scenes, built from
implicit shapes and an adaptive block renderer, in step with the music, until
Escape is pressed or the window is closed. The detail level can be changed
with the keys 1 to 6, and F4 switches between fullscreen and a window.
.
The music and the pictures are generated when the program is built; it needs
OpenGL, SDL 2 and libopenmpt. The recorder is in the package vortelan-capture.")

set(CPACK_DEBIAN_CAPTURE_PACKAGE_NAME vortelan-capture)
set(CPACK_DEBIAN_CAPTURE_PACKAGE_SECTION video)
# The contact sheet is lettered with the DejaVu fonts, read at run time.
set(CPACK_DEBIAN_CAPTURE_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_CAPTURE_DESCRIPTION "records the VORTELAN demo into a video file
vortelan-capture plays the whole show of the VORTELAN demo, pictures and
music, on a virtual clock and writes it to a video file (H.264 with AAC or
FLAC sound in MP4, Matroska or QuickTime), or the whole show at a glance
into one PNG contact sheet. Picture and sound never drift apart, two runs give
the same file, and it needs neither a display nor a sound card.")

# cpack refuses to package a sanitizer or debug build (see the file).
set(CPACK_VORTELAN_BUILD_TYPE "${CMAKE_BUILD_TYPE}")
set(CPACK_VORTELAN_SANITIZE "${VORTELAN_SANITIZE}")
set(CPACK_VORTELAN_TSAN "${VORTELAN_TSAN}")
set(CPACK_VORTELAN_FUZZ "${VORTELAN_FUZZ}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/package_guard.cmake)
include(CPack)

if(VORTELAN_INSTALL_TESTS)
  enable_testing()
  # The installed tree and the packages of this build; installing the demo's
  # package on this machine needs the packages (made by deb_package) and root.
  foreach(check installed_tree deb_package deb_install)
    add_test(NAME install.${check}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/${check}.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(install.${check} PROPERTIES LABELS install TIMEOUT 600)
  endforeach()
  set_tests_properties(install.deb_package PROPERTIES FIXTURES_SETUP debs)
  set_tests_properties(install.deb_install PROPERTIES FIXTURES_REQUIRED debs SKIP_RETURN_CODE 77)
  # The scripts of the two commands: the package sets, and demo.sh run from
  # another folder (it builds build-demo first).
  foreach(check deps_sets demo_script)
    add_test(NAME install.${check}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/${check}.sh ${CMAKE_SOURCE_DIR})
    set_tests_properties(install.${check} PROPERTIES LABELS install TIMEOUT 600)
  endforeach()
  set_tests_properties(install.demo_script PROPERTIES TIMEOUT 1800)
endif()
