# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DSTAGE=... -DNSI=... -DOUTFILE=... -DVERSION=... -DICON=...
#       -DMAKENSIS=... -DSTRIP=... -P BuildInstaller.cmake
# Stages the install tree without debug sections, signs the program when CORVANE_SIGN_PKCS12 and
# CORVANE_SIGN_PASSWORD are set, gives every file the commit's time, lists the files for the installer
# and, in reverse, for the uninstaller, runs makensis and writes SHA256SUMS beside the installer.
cmake_minimum_required(VERSION 3.25)
include("${SOURCE_DIR}/cmake/ReleaseFiles.cmake")
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE}/files" COMMAND_ERROR_IS_FATAL ANY
                OUTPUT_QUIET)

# strip stamps each PE header it writes with this time, or else with the present one.
corvane_source_date_epoch("${SOURCE_DIR}")
file(GLOB_RECURSE files RELATIVE "${STAGE}/files" "${STAGE}/files/*")
list(SORT files)
set(binaries "${files}")
list(FILTER binaries INCLUDE REGEX "\\.(exe|dll)$")
list(TRANSFORM binaries PREPEND "${STAGE}/files/")
execute_process(COMMAND "${STRIP}" --strip-unneeded ${binaries} COMMAND_ERROR_IS_FATAL ANY)

set(sign_defines "")
if(DEFINED ENV{CORVANE_SIGN_PKCS12})
    if(NOT DEFINED ENV{CORVANE_SIGN_PASSWORD})
        message(FATAL_ERROR "CORVANE_SIGN_PKCS12 is set, but not CORVANE_SIGN_PASSWORD")
    endif()
    # The password reaches osslsigncode in a file only its owner can read, not on a command line.
    file(MAKE_DIRECTORY "${STAGE}/private")
    file(CHMOD "${STAGE}/private" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    file(WRITE "${STAGE}/private/password" "$ENV{CORVANE_SIGN_PASSWORD}")
    set(ENV{CORVANE_SIGN_PASSFILE} "${STAGE}/private/password")
    set(sign_file "${CMAKE_CURRENT_LIST_DIR}/SignFile.cmake")
    execute_process(COMMAND "${CMAKE_COMMAND}" "-DFILE=${STAGE}/files/corvane.exe" -P "${sign_file}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        file(REMOVE_RECURSE "${STAGE}/private")
        message(FATAL_ERROR "corvane.exe could not be signed")
    endif()
    set(sign_defines "-DCMAKE=${CMAKE_COMMAND}" "-DSIGNFILE=${sign_file}")
endif()

# The installer keeps each file's time; the commit's makes two builds of it the same bytes.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    list(TRANSFORM files PREPEND "${STAGE}/files/" OUTPUT_VARIABLE paths)
    execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" ${paths} COMMAND_ERROR_IS_FATAL ANY)
endif()

set(install_lines "")
set(uninstall_lines "")
set(dirs "")
set(out_dir "-")
foreach(file IN LISTS files)
    get_filename_component(dir "${file}" DIRECTORY)
    string(REPLACE "/" "\\" win_file "${file}")
    if(NOT dir STREQUAL out_dir)
        set(out_dir "${dir}")
        if(dir)
            string(REPLACE "/" "\\" win_dir "${dir}")
            string(APPEND install_lines "SetOutPath \"$INSTDIR\\${win_dir}\"\n")
            list(APPEND dirs "${dir}")
        else()
            string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
        endif()
    endif()
    string(APPEND install_lines "File \"${STAGE}/files/${file}\"\n")
    string(APPEND uninstall_lines "Delete \"$INSTDIR\\${win_file}\"\n")
endforeach()
list(SORT dirs)
list(REVERSE dirs)
foreach(dir IN LISTS dirs)
    string(REPLACE "/" "\\" win_dir "${dir}")
    string(APPEND uninstall_lines "RMDir \"$INSTDIR\\${win_dir}\"\n")
endforeach()
file(WRITE "${STAGE}/install.nsh" "${install_lines}")
file(WRITE "${STAGE}/uninstall.nsh" "${uninstall_lines}")

execute_process(COMMAND "${MAKENSIS}" -V2 -DVERSION=${VERSION} -DICON=${ICON} -DOUTFILE=${OUTFILE}
                        -DFILELIST=${STAGE}/install.nsh -DUNFILELIST=${STAGE}/uninstall.nsh ${sign_defines} "${NSI}"
                RESULT_VARIABLE result)
file(REMOVE_RECURSE "${STAGE}/private")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "makensis failed")
endif()
get_filename_component(out_dir "${OUTFILE}" DIRECTORY)
corvane_write_sha256sums("${out_dir}" "${OUTFILE}")
