# Installing VORTELAN under the GNU directories: the programs, the desktop
# entry, the icons drawn by tools/make_icon, the manual pages and the README;
# and the Debian package that CPack makes from the same rules.
#   cmake --install <build> [--prefix <dir>]      cpack -G DEB   (in <build>)
include(GNUInstallDirs)

option(VORTELAN_INSTALL_TESTS
       "Register the install and package checks (slow: the install stage of scripts/test.sh runs them)" OFF)

if(TARGET vortelan)
  install(TARGETS vortelan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET vortelan-capture)
  install(TARGETS vortelan-capture RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES ${CMAKE_SOURCE_DIR}/desktop/vortelan.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
  install(FILES ${dir}/vortelan.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages: every man/*.1 and man/*.6, with the version filled in and
# compressed as Debian keeps them, into the folder of its section.
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
  install(FILES ${filled}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

add_custom_target(vortelan_install_files ALL DEPENDS ${vortelan_install_files})
# Building this target builds everything that is installed.
foreach(program vortelan vortelan-capture)
  if(TARGET ${program})
    add_dependencies(vortelan_install_files ${program})
  endif()
endforeach()

# The Debian package. Its dependencies are what dpkg-shlibdeps finds the
# programs linked against.
set(CPACK_PACKAGE_NAME vortelan)
set(CPACK_PACKAGE_VENDOR "VORTELAN developers")
set(CPACK_PACKAGE_CONTACT "VORTELAN developers <vortelan@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo with music and shapes of its own")
# The long description; cpack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "VORTELAN opens one window, plays a tracker module carried inside the program
and draws a sequence of flat-coloured two-dimensional scenes, built from
implicit shapes and an adaptive block renderer, in step with the music, until
Escape is pressed or the window is closed. The detail level can be changed
with the keys 1 to 6, and F4 switches between fullscreen and a window.
.
The music and the pictures are generated when the program is built; it needs
OpenGL, SDL 2 and libopenmpt.")
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens the OpenGL library (GLX, or EGL on Wayland) only at run time,
# where dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
# cpack refuses to package a sanitizer or debug build (see the file).
set(CPACK_VORTELAN_BUILD_TYPE "${CMAKE_BUILD_TYPE}")
set(CPACK_VORTELAN_SANITIZE "${VORTELAN_SANITIZE}")
set(CPACK_VORTELAN_TSAN "${VORTELAN_TSAN}")
set(CPACK_VORTELAN_FUZZ "${VORTELAN_FUZZ}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/package_guard.cmake)
include(CPack)

if(VORTELAN_INSTALL_TESTS)
  enable_testing()
  foreach(check installed_tree deb_package)
    add_test(NAME install.${check}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/${check}.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(install.${check} PROPERTIES LABELS install TIMEOUT 600)
  endforeach()
endif()
