# The changelog's newest entry is where a release is described: its version, its date and who made
# it. The release date of the AppStream metadata and the manual pages, and the package's maintainer,
# are read from it rather than written a second time.
#
# quorvel_read_changelog(FILE) sets, from the first entry of the Debian changelog FILE:
#   QUORVEL_CHANGELOG_VERSION   the version in its first line
#   QUORVEL_CHANGELOG_MAINTAINER the "Name <address>" of its trailer line
#   QUORVEL_RELEASE_DATE        the trailer's date as YYYY-MM-DD, in the trailer's own time zone
#   QUORVEL_RELEASE_TIMESTAMP   the trailer's time in seconds since 1970 (UTC), as Debian's tools
#                               read it (dpkg-parsechangelog -STimestamp): the artefacts' time
function(quorvel_read_changelog file)
    file(STRINGS "${file}" heading LIMIT_COUNT 1 REGEX "^[a-z0-9][a-z0-9.+-]* \\(")
    file(STRINGS "${file}" trailer LIMIT_COUNT 1 REGEX "^ -- ")
    if(NOT heading MATCHES "^[^ ]+ \\(([^)]+)\\)")
        message(FATAL_ERROR "${file}: no entry heading \"NAME (VERSION) …\"")
    endif()
    set(version "${CMAKE_MATCH_1}")
    if(NOT trailer MATCHES "^ -- (.+>)  ([^ ].*)$")
        message(FATAL_ERROR "${file}: the newest entry has no trailer \" -- NAME <ADDRESS>  DATE\"")
    endif()
    set(maintainer "${CMAKE_MATCH_1}")
    set(date "${CMAKE_MATCH_2}")
    set(date_pattern "^[A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    string(APPEND date_pattern "([0-9][0-9]):([0-9][0-9]):([0-9][0-9]) ([+-])([0-9][0-9][0-9][0-9])$")
    if(NOT date MATCHES "${date_pattern}")
        message(FATAL_ERROR "${file}: \"${date}\" is not a date as \"DAY, DD MON YYYY HH:MM:SS +ZZZZ\"")
    endif()
    set(day "${CMAKE_MATCH_1}")
    set(month_name "${CMAKE_MATCH_2}")
    set(year "${CMAKE_MATCH_3}")
    math(EXPR seconds_of_day "${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}")
    string(SUBSTRING "${CMAKE_MATCH_8}" 0 2 zone_hours)
    string(SUBSTRING "${CMAKE_MATCH_8}" 2 2 zone_minutes)
    math(EXPR offset "${CMAKE_MATCH_7}(${zone_hours} * 3600 + ${zone_minutes} * 60)")
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months "${month_name}" month)
    if(month LESS 0)
        message(FATAL_ERROR "${file}: \"${month_name}\" is not a month")
    endif()
    math(EXPR month "${month} + 1")

    # Days since 1970-01-01 of a date of the Gregorian calendar (Howard Hinnant's days_from_civil).
    if(month LESS_EQUAL 2)
        math(EXPR y "${year} - 1")
        math(EXPR shifted_month "${month} + 9")
    else()
        set(y "${year}")
        math(EXPR shifted_month "${month} - 3")
    endif()
    math(EXPR era "${y} / 400")
    math(EXPR year_of_era "${y} - ${era} * 400")
    math(EXPR day_of_year "(153 * ${shifted_month} + 2) / 5 + ${day} - 1")
    math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
    math(EXPR days "${era} * 146097 + ${day_of_era} - 719468")
    math(EXPR timestamp "${days} * 86400 + ${seconds_of_day} - ${offset}")

    string(LENGTH "${day}" day_digits)
    if(day_digits EQUAL 1)
        set(day "0${day}")
    endif()
    if(month LESS 10)
        set(month "0${month}")
    endif()
    set(QUORVEL_CHANGELOG_VERSION "${version}" PARENT_SCOPE)
    set(QUORVEL_CHANGELOG_MAINTAINER "${maintainer}" PARENT_SCOPE)
    set(QUORVEL_RELEASE_DATE "${year}-${month}-${day}" PARENT_SCOPE)
    set(QUORVEL_RELEASE_TIMESTAMP "${timestamp}" PARENT_SCOPE)
endfunction()
