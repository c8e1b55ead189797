# Helpers for the scripts that make release files (the Windows installer).

# Every time in a release file is the last commit's, unless the builder chose one, so that building
# the same commit again gives the same bytes. A source archive made by `git archive` has that time
# written into cmake/commit-time.txt; a git checkout asks git. The file comes first: an archive may be
# unpacked inside another project's checkout, whose last commit is not this one.
function(corvane_source_date_epoch source_dir)
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
        return()
    endif()
    file(STRINGS "${source_dir}/cmake/commit-time.txt" commit_time LIMIT_COUNT 1)
    if(NOT commit_time MATCHES "^[0-9]+$")
        execute_process(COMMAND git -C "${source_dir}" rev-parse --show-toplevel
                        OUTPUT_VARIABLE top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        file(REAL_PATH "${source_dir}" source_real)
        set(commit_time "")
        if(top STREQUAL source_real)
            execute_process(COMMAND git -C "${source_dir}" log -1 --format=%ct
                            OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        endif()
    endif()
    if(NOT commit_time MATCHES "^[0-9]+$")
        message(FATAL_ERROR "No time for the release files: SOURCE_DATE_EPOCH is not set, ${source_dir} is not "
                            "a git checkout, and cmake/commit-time.txt was not filled in by git archive. Build "
                            "from a git checkout or a `git archive` of one, or set SOURCE_DATE_EPOCH to the "
                            "time of the commit the sources come from, in seconds since 1970.")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
endfunction()

# Writes DIR/SHA256SUMS for the given files, in the form `sha256sum -c` reads.
function(corvane_write_sha256sums dir)
    set(lines "")
    foreach(file IN LISTS ARGN)
        file(SHA256 "${file}" hash)
        get_filename_component(name "${file}" NAME)
        string(APPEND lines "${hash}  ${name}\n")
    endforeach()
    file(WRITE "${dir}/SHA256SUMS" "${lines}")
endfunction()
