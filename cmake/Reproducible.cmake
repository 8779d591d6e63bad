# Reproducible artefacts: the same commit builds the same bytes (executables, .deb, Windows zip and
# installer) whatever the folder, clock, time zone, locale and umask of the build. Included once,
# from the top CMakeLists.txt, before any target.
#
# The one time that goes into the artefacts is QUORVEL_SOURCE_DATE_EPOCH: SOURCE_DATE_EPOCH when the
# configuration sees it set, otherwise the time of the newest entry of packaging/changelog, as
# Debian's tools take it, so that a clone and a source tarball of one commit build the same bytes.
include_guard(GLOBAL)

# The time (seconds since 1970, UTC) of the newest entry of the Debian changelog CHANGELOG: its
# trailer line " -- Name <address>  Mon, 07 Dec 2026 12:00:00 +0000", in RFC 5322 form.
function(quorvel_changelog_time changelog out_var)
    file(STRINGS "${changelog}" trailer REGEX "^ -- " LIMIT_COUNT 1)
    set(date_pattern "^ -- .*>  [A-Z][a-z][a-z], ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    string(APPEND date_pattern "([0-9][0-9]):([0-9][0-9]):([0-9][0-9]) ([+-])([0-9][0-9])([0-9][0-9])$")
    if(NOT trailer MATCHES "${date_pattern}")
        message(FATAL_ERROR "${changelog}: the newest entry has no trailer line with a date: \"${trailer}\"")
    endif()
    set(day ${CMAKE_MATCH_1})
    set(year ${CMAKE_MATCH_3})
    set(zone "${CMAKE_MATCH_7}(${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")
    set(seconds "${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}")
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months "${CMAKE_MATCH_2}" month)
    if(month LESS 0)
        message(FATAL_ERROR "${changelog}: no month \"${CMAKE_MATCH_2}\" in \"${trailer}\"")
    endif()
    math(EXPR month "${month} + 1")
    # Days since 1970-01-01 of a date of the proleptic Gregorian calendar (H. Hinnant's
    # days_from_civil, for years from 1 on): years counted from March, so that a leap day ends one.
    if(month LESS_EQUAL 2)
        math(EXPR year "${year} - 1")
        math(EXPR day_of_year "(153 * (${month} + 9) + 2) / 5 + ${day} - 1")
    else()
        math(EXPR day_of_year "(153 * (${month} - 3) + 2) / 5 + ${day} - 1")
    endif()
    math(EXPR era "${year} / 400")
    math(EXPR year_of_era "${year} - ${era} * 400")
    math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
    # "- zone": 12:00:00 +0800 is 04:00:00 UTC.
    math(EXPR time "(${era} * 146097 + ${day_of_era} - 719468) * 86400 + ${seconds} - ${zone}")
    set(${out_var} ${time} PARENT_SCOPE)
endfunction()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
    if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
        message(FATAL_ERROR "SOURCE_DATE_EPOCH must be seconds since 1970, not '$ENV{SOURCE_DATE_EPOCH}'")
    endif()
    set(source_date_epoch "$ENV{SOURCE_DATE_EPOCH}")
else()
    quorvel_changelog_time("${PROJECT_SOURCE_DIR}/packaging/changelog" source_date_epoch)
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
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
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
