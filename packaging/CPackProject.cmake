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

include("${CPACK_CORVANE_SOURCE_DIR}/cmake/ReleaseFiles.cmake")
corvane_source_date_epoch("${CPACK_CORVANE_SOURCE_DIR}")
