# The one place that knows which system a build is for. The program is made for Linux and for
# Windows; each has its folder here (platform/linux, platform/windows) with what differs between
# them, and a build for any other system stops now, before anything is assumed of it.
#
# Sets QUORVEL_SYSTEM (the folder's name) and what the system decides for the rest of the build:
#   QUORVEL_PROGRAM_FILE_NAME    the program's file name, without the system's suffix
#   QUORVEL_PRIVATEDIR_DEFAULT   where, below the prefix, the program and its skin go
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(QUORVEL_SYSTEM linux)
    # Private, beside its skin; users start it through the link /usr/bin/quorvel.
    set(QUORVEL_PROGRAM_FILE_NAME "${QUORVEL_COMMAND}")
    set(QUORVEL_PRIVATEDIR_DEFAULT "lib/${QUORVEL_COMMAND}")
elseif(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(QUORVEL_SYSTEM windows)
    # Users meet the executable by its file name: it is the program's title.
    set(QUORVEL_PROGRAM_FILE_NAME "${QUORVEL_PRODUCT_NAME}")
    # The top of the installed folder, as in the portable zip.
    set(QUORVEL_PRIVATEDIR_DEFAULT ".")
else()
    message(FATAL_ERROR "${PROJECT_NAME} is made for Linux and Windows; a build for ${CMAKE_SYSTEM_NAME} is not supported")
endif()
