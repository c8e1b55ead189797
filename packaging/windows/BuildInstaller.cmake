# cmake -DBUILD_DIR=... -DSTAGE=... -DNSI=... -DOUTFILE=... -DVERSION=... -DICON=... -DMAKENSIS=... -P BuildInstaller.cmake
# Stages the install tree, lists its files for the installer and, in reverse, for the uninstaller,
# then runs makensis.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${STAGE}/files" COMMAND_ERROR_IS_FATAL ANY
                OUTPUT_QUIET)

file(GLOB_RECURSE files RELATIVE "${STAGE}/files" "${STAGE}/files/*")
list(SORT files)
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
                        -DFILELIST=${STAGE}/install.nsh -DUNFILELIST=${STAGE}/uninstall.nsh "${NSI}"
                COMMAND_ERROR_IS_FATAL ANY)
