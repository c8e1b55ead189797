# Helpers for the scripts that make release files (the Windows installer).

# Every time in a release file is the last commit's, unless the builder chose one, so that building
# the same commit again gives the same bytes.
function(corvane_source_date_epoch source_dir)
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
        return()
    endif()
    execute_process(COMMAND git -C "${source_dir}" log -1 --format=%ct
                    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE result)
    if(result STREQUAL "0" AND commit_time MATCHES "^[0-9]+$")
        set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
    endif()
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
