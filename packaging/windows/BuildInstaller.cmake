# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DSTAGE=... -DNSI=... -DOUTFILE=... -DVERSION=... -DICON=...
#       -DHOME_URL=... -DMAKENSIS=... -DSTRIP=... -P BuildInstaller.cmake
# Stages the install tree without debug sections, signs every program and DLL when CORVANE_SIGN_PKCS12 is
# set (sign.sh names what else signing takes), gives every file the commit's time, lists the files for
# the scripts, builds the uninstaller and then setup, and writes SHA256SUMS beside the installer.
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

# Every PE file that ships is signed, so that application control may allow Corvane by its publisher.
set(sign_defines "")
if(DEFINED ENV{CORVANE_SIGN_PKCS12})
    set(signer "${CMAKE_CURRENT_LIST_DIR}/sign.sh")
    foreach(binary IN LISTS binaries)
        execute_process(COMMAND bash "${signer}" "${binary}" RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "${binary} could not be signed")
        endif()
    endforeach()
    set(sign_defines "-DSIGNER=${signer}")
endif()

# The installer keeps each file's time; the commit's makes two builds of it the same bytes.
list(TRANSFORM files PREPEND "${STAGE}/files/" OUTPUT_VARIABLE paths)
execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" ${paths} COMMAND_ERROR_IS_FATAL ANY)

# The lists for the scripts (common.nsh): this version's files to extract, and every file and folder any
# release put into the install folder, which an update moves aside and the uninstaller removes.
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/earlier-files.txt" all_files)
list(APPEND all_files ${files} uninstall.exe remove.exe install.ini)
list(REMOVE_DUPLICATES all_files)
list(SORT all_files)
set(size 0)
set(new_lines "!macro NEW_FILES\n")
foreach(file IN LISTS files)
    file(SIZE "${STAGE}/files/${file}" bytes)
    math(EXPR size "${size} + ${bytes}")
    get_filename_component(dir "${file}" DIRECTORY)
    string(REPLACE "/" "\\" win_file "${file}")
    if(dir)
        string(REPLACE "/" "\\" dir "\\${dir}")
    endif()
    string(APPEND new_lines "!insertmacro PUT \"${dir}\" \"${STAGE}/files/${file}\" \"${win_file}\"\n")
endforeach()
string(APPEND new_lines "!insertmacro PUT \"\" \"\${UNINSTALLER}\" \"remove.exe\"\n!macroend\n")
set(all_lines "!macro ALL_FILES DO\n")
set(dirs "")
foreach(file IN LISTS all_files)
    get_filename_component(dir "${file}" DIRECTORY)
    string(REPLACE "/" "\\" file "${file}")
    if(dir)
        list(APPEND dirs "${dir}")
        string(REPLACE "/" "\\" dir "\\${dir}")
    endif()
    string(APPEND all_lines "!insertmacro \${DO} \"${file}\" \"${dir}\"\n")
endforeach()
string(APPEND all_lines "!macroend\n!macro ALL_DIRS DO\n")
list(REMOVE_DUPLICATES dirs)
list(SORT dirs)
list(REVERSE dirs)
foreach(dir IN LISTS dirs)
    string(REPLACE "/" "\\" dir "${dir}")
    string(APPEND all_lines "!insertmacro \${DO} \"${dir}\"\n")
endforeach()
file(WRITE "${STAGE}/files.nsh" "${new_lines}${all_lines}!macroend\n")

get_filename_component(nsi_dir "${NSI}" DIRECTORY)
set(defines -V2 -DVERSION=${VERSION} -DICON=${ICON} -DFILES=${STAGE}/files.nsh ${sign_defines})
execute_process(COMMAND "${MAKENSIS}" ${defines} -DOUTFILE=${STAGE}/remove.exe "${nsi_dir}/uninstall.nsi"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "makensis failed on uninstall.nsi")
endif()
execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" "${STAGE}/remove.exe" COMMAND_ERROR_IS_FATAL ANY)
file(SIZE "${STAGE}/remove.exe" bytes)
math(EXPR size_kb "(${size} + ${bytes} + 1023) / 1024")
execute_process(COMMAND "${MAKENSIS}" ${defines} -DOUTFILE=${OUTFILE} -DUNINSTALLER=${STAGE}/remove.exe
                        -DSIZE_KB=${size_kb} -DHOME_URL=${HOME_URL} "${NSI}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "makensis failed")
endif()
get_filename_component(out_dir "${OUTFILE}" DIRECTORY)
corvane_write_sha256sums("${out_dir}" "${OUTFILE}")
