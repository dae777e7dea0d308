# Read by cpack before it packages: a package is made only from a Release build
# without sanitizers, so nobody ships a slow binary that needs the sanitizer runtime.
if(CPACK_VORTELAN_SANITIZE OR NOT CPACK_VORTELAN_BUILD_TYPE STREQUAL "Release")
  message(FATAL_ERROR "vortelan: packages are made from a Release build without sanitizers "
                      "(this one: '${CPACK_VORTELAN_BUILD_TYPE}', sanitizers '${CPACK_VORTELAN_SANITIZE}'); "
                      "configure one with -DCMAKE_BUILD_TYPE=Release -DVORTELAN_SANITIZE=OFF")
endif()
