# Runs chmcmd on a fresh copy of the help sources and copies the result to OUTPUT.
#
# chmcmd puts the compiled file where the project's "Compiled file" entry says,
# relative to where it runs, and it reports missing files and broken links only as
# warnings while still exiting with 0. So this script compiles in a private staging
# folder, keeps chmcmd quiet when all is well, and fails the build when chmcmd fails,
# prints any warning or error, or produces no file.
#
# Expects: CHMCMD, SOURCE_DIR, STAGE_DIR, FILES (comma-separated names relative to
# SOURCE_DIR), PROJECT_FILE, COMPILED (the name in the project) and OUTPUT.

foreach(var CHMCMD SOURCE_DIR STAGE_DIR FILES PROJECT_FILE COMPILED OUTPUT)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "CompileChm.cmake: ${var} is not set")
    endif()
endforeach()

# Start from an empty folder so that no page left over from an earlier build
# can end up in the help file or hide a missing one.
file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")
string(REPLACE "," ";" FILES "${FILES}")
foreach(name IN LISTS FILES)
    if(NOT EXISTS "${SOURCE_DIR}/${name}")
        message(FATAL_ERROR "Help source ${SOURCE_DIR}/${name} does not exist")
    endif()
    file(COPY "${SOURCE_DIR}/${name}" DESTINATION "${STAGE_DIR}")
endforeach()

execute_process(
    COMMAND "${CHMCMD}" "${PROJECT_FILE}"
    WORKING_DIRECTORY "${STAGE_DIR}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
)

set(compiled "${STAGE_DIR}/${COMPILED}")
set(problem "")
if(NOT result STREQUAL "0")
    set(problem "chmcmd exited with ${result}")
elseif("${out}\n${err}" MATCHES "[Ww]arning|[Ee]rror|[Ee]xception")
    set(problem "chmcmd reported problems")
elseif(NOT EXISTS "${compiled}")
    set(problem "chmcmd did not write ${COMPILED}")
else()
    file(SIZE "${compiled}" size)
    if(size EQUAL 0)
        set(problem "chmcmd wrote an empty ${COMPILED}")
    endif()
endif()

if(problem)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "Building the help file failed: ${problem}.\n"
                        "chmcmd output:\n${out}\n${err}")
endif()

# chmcmd writes the time of compiling into the file header and into the #SYSTEM record (code 10, four
# bytes, just before the compiler's name record, code 9). Both are cleared, so the same pages always
# give the same file, whenever and wherever they are compiled.
file(READ "${compiled}" head LIMIT 8192 HEX)
string(HEX "HHA Version" compiler_name)
string(FIND "${head}" "09001600${compiler_name}" name_record)
set(stamp_record "")
if(name_record GREATER_EQUAL 16)
    math(EXPR odd "${name_record} % 2")
    math(EXPR stamp_at "${name_record} - 16")
    string(SUBSTRING "${head}" ${stamp_at} 8 stamp_record)
endif()
if(NOT stamp_record STREQUAL "0a000400" OR odd)
    message(FATAL_ERROR "Building the help file failed: no compile-time record found in ${COMPILED}.")
endif()
math(EXPR stamp_offset "${stamp_at} / 2 + 4")
foreach(offset 16 ${stamp_offset})
    execute_process(COMMAND dd if=/dev/zero "of=${compiled}" bs=1 seek=${offset} count=4 conv=notrunc
                    RESULT_VARIABLE result ERROR_QUIET)
    if(NOT result STREQUAL "0")
        message(FATAL_ERROR "Building the help file failed: dd could not clear its compile time.")
    endif()
endforeach()

file(COPY_FILE "${compiled}" "${OUTPUT}")
