# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DSTAGE=... -DNSI=... -DOUTFILE=... -DVERSION=... -DICON=...
#       -DMAKENSIS=... -DSTRIP=... -P BuildInstaller.cmake
# Stages the install tree without debug sections, signs the program when CORVANE_SIGN_PKCS12 is set
# (sign.sh names what else signing takes), gives every file the commit's time, lists the files for the
# installer and, in reverse, for the uninstaller, runs makensis and writes SHA256SUMS beside the installer.
cmake_minimum_required(VERSION 3.25)
include("${SOURCE_DIR}/cmake/ReleaseFiles.cmake")
# strip stamps each PE header it writes with this time, or else with the present one.
corvane_source_date_epoch("${SOURCE_DIR}")
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE}/files" COMMAND_ERROR_IS_FATAL ANY
                OUTPUT_QUIET)
file(GLOB_RECURSE files RELATIVE "${STAGE}/files" "${STAGE}/files/*")
list(SORT files)
set(binaries "${files}")
list(FILTER binaries INCLUDE REGEX "\\.(exe|dll)$")
list(TRANSFORM binaries PREPEND "${STAGE}/files/")
execute_process(COMMAND "${STRIP}" --strip-unneeded ${binaries} COMMAND_ERROR_IS_FATAL ANY)

set(sign_defines "")
if(DEFINED ENV{CORVANE_SIGN_PKCS12})
    set(signer "${CMAKE_CURRENT_LIST_DIR}/sign.sh")
    execute_process(COMMAND bash "${signer}" "${STAGE}/files/corvane.exe" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "corvane.exe could not be signed")
    endif()
    set(sign_defines "-DSIGNER=${signer}")
endif()

# The installer keeps each file's time; the commit's makes two builds of it the same bytes.
list(TRANSFORM files PREPEND "${STAGE}/files/" OUTPUT_VARIABLE paths)
execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" ${paths} COMMAND_ERROR_IS_FATAL ANY)

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
if(NOT result EQUAL 0)
    message(FATAL_ERROR "makensis failed")
endif()
get_filename_component(out_dir "${OUTFILE}" DIRECTORY)
corvane_write_sha256sums("${out_dir}" "${OUTFILE}")
