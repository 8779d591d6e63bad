# Included by platform/CMakeLists.txt: the Linux side of the platform libraries.
set(here "${CMAKE_CURRENT_LIST_DIR}")
target_sources(quorvel_platform PRIVATE ${here}/Process.cpp ${here}/Sockets.cpp ${here}/Text.cpp)

# Which window system to start on depends on what the Wayland compositor offers.
target_sources(quorvel_platform_window PRIVATE ${here}/Window.cpp)
find_package(PkgConfig REQUIRED)
pkg_check_modules(WaylandClient REQUIRED IMPORTED_TARGET wayland-client)
target_link_libraries(quorvel_platform_window PRIVATE PkgConfig::WaylandClient)

find_package(ZLIB REQUIRED)
target_link_libraries(quorvel_zlib INTERFACE ZLIB::ZLIB)

# TLS: Debian's shared Qt loads its OpenSSL backend (the system's trust store) at run time, from
# its own plugins folder; nothing to link.
function(quorvel_link_tls_backend target)
endfunction()
