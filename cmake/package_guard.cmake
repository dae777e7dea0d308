# Read by cpack before it packages: a package is made only from a Release build
# without sanitizers (address, thread or the fuzzing build's), so nobody ships a
# slow binary that needs a sanitizer runtime.
if(CPACK_VORTELAN_SANITIZE OR CPACK_VORTELAN_TSAN OR CPACK_VORTELAN_FUZZ
   OR NOT CPACK_VORTELAN_BUILD_TYPE STREQUAL "Release")
  message(FATAL_ERROR "vortelan: packages are made from a Release build without sanitizers "
                      "(this one: '${CPACK_VORTELAN_BUILD_TYPE}', sanitizers '${CPACK_VORTELAN_SANITIZE}', "
                      "thread sanitizer '${CPACK_VORTELAN_TSAN}', fuzzing '${CPACK_VORTELAN_FUZZ}'); "
                      "configure one with -DCMAKE_BUILD_TYPE=Release -DVORTELAN_SANITIZE=OFF -DVORTELAN_TSAN=OFF "
                      "-DVORTELAN_FUZZ=OFF")
endif()
