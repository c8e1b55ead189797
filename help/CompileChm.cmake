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

file(COPY_FILE "${compiled}" "${OUTPUT}")
