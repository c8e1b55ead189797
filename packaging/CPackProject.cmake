# Read by cpack for each generator it runs.
if(CPACK_GENERATOR STREQUAL "DEB")
    # Without dpkg-shlibdeps CPack only prints a notice and builds a package that depends on
    # none of the libraries it needs.
    find_program(CORVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT CORVANE_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps is missing; install dpkg-dev (apt-get install dpkg-dev) "
                            "to build the Debian package.")
    endif()
endif()

# Every time in the archive is the last commit's, unless the builder chose one, so that building
# the same commit again gives the same package.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_CORVANE_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE result)
    if(result STREQUAL "0" AND commit_time MATCHES "^[0-9]+$")
        set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
    endif()
endif()
