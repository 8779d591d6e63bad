# Included by platform/CMakeLists.txt: the Windows side of the platform libraries.
set(here "${CMAKE_CURRENT_LIST_DIR}")
target_sources(quorvel_platform PRIVATE ${here}/Process.cpp ${here}/Sockets.cpp ${here}/Text.cpp)
# The peak working set.
target_link_libraries(quorvel_platform PRIVATE psapi)

target_sources(quorvel_platform_window PRIVATE ${here}/Window.cpp)
# No Qt installation beside a static executable: Qt's Chinese texts of the standard buttons travel
# inside it, from Debian's qt6-translations-l10n.
find_file(QUORVEL_QT_ZH_CN_QM qtbase_zh_CN.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set_source_files_properties("${QUORVEL_QT_ZH_CN_QM}" PROPERTIES QT_RESOURCE_ALIAS qtbase_zh_CN.qm)
qt_add_resources(quorvel_platform_window "quorvel_qt_translations" PREFIX "/translations"
                 FILES "${QUORVEL_QT_ZH_CN_QM}")

# Qt for Windows carries a zlib of its own, so the program stays one file.
find_package(Qt6 REQUIRED COMPONENTS ZlibPrivate)
target_link_libraries(quorvel_zlib INTERFACE Qt6::ZlibPrivate)

# TLS: Windows' own, Schannel (the system's trust store), linked into the static executable as the
# one backend a request over https may use, rather than left to whatever Qt counts as default.
function(quorvel_link_tls_backend target)
    qt_import_plugins(${target} INCLUDE_BY_TYPE tls Qt6::QSchannelBackendPlugin)
endfunction()
