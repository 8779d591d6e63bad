# Reproducible artefacts: the same commit builds the same bytes (executables, .deb, Windows zip and
# installer) whatever the folder, clock, time zone, locale and umask of the build. Included once,
# from the top CMakeLists.txt, after the changelog is read and before any target.
#
# The one time that goes into the artefacts is QUORVEL_SOURCE_DATE_EPOCH: SOURCE_DATE_EPOCH when the
# configuration sees it set, otherwise the time of the newest entry of packaging/changelog, as
# Debian's tools take it, so that a clone and a source tarball of one commit build the same bytes.
include_guard(GLOBAL)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
        message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not '$ENV{SOURCE_DATE_EPOCH}'")
    endif()
    set(source_date_epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
    set(source_date_epoch "${QUORVEL_RELEASE_TIMESTAMP}") # cmake/Changelog.cmake
endif()
# In the cache for the scripts, which date the files they pack with it; set anew on every configure.
set(QUORVEL_SOURCE_DATE_EPOCH "${source_date_epoch}" CACHE INTERNAL "The time that goes into the artefacts")

# Every tool that a custom command runs sees the time: rcc stamps each resource with it instead of
# the file's modification time, which is the time of the checkout.
set_property(GLOBAL PROPERTY RULE_LAUNCH_CUSTOM
             "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${QUORVEL_SOURCE_DATE_EPOCH}")

# No path of the source or build folder in objects (debug information, __FILE__) of the builds that
# ship; the shipped files are stripped and use no __FILE__ today, so this keeps it so. The build
# folder's map comes last, so it wins where the build folder lies inside the source folder. Debug
# builds keep the real paths, for a debugger to find the sources.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
                        "$<$<NOT:$<CONFIG:Debug>>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=build>")
endif()

# MinGW's ld writes the time of the link into a PE file's header and export table; no time at all
# instead (0, which Windows does not read).
if(QUORVEL_SYSTEM STREQUAL "windows" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_link_options(LINKER:--no-insert-timestamp)
endif()
# `cmake --install --strip` runs MinGW's strip, which writes its own time into a PE file's header,
# or SOURCE_DATE_EPOCH from its environment: the install sets it before any other install rule runs.
install(CODE "set(ENV{SOURCE_DATE_EPOCH} \"${QUORVEL_SOURCE_DATE_EPOCH}\")")

# Installed folders get the same modes whatever the builder's umask, in `cmake --install` and CPack.
# (The .deb's ar members take the modes of the files cpack writes: scripts/package packs under
# umask 022.)
set(quorvel_directory_permissions OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
    WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${quorvel_directory_permissions})
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${quorvel_directory_permissions})
# CPack dates every member of the package (the ar members, the tar entries, the gzip headers) with
# SOURCE_DATE_EPOCH when its environment has it: this file, read by cpack before it packs, sets it.
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_BINARY_DIR}/CPackReproducible.cmake")
file(CONFIGURE OUTPUT "${CPACK_PROJECT_CONFIG_FILE}"
     CONTENT "set(ENV{SOURCE_DATE_EPOCH} \"@QUORVEL_SOURCE_DATE_EPOCH@\")\n" @ONLY)
