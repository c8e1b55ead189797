# cmake -DFILE=PATH -P SignFile.cmake signs PATH in place with Authenticode, with the PKCS#12 file named
# by CORVANE_SIGN_PKCS12 and the password in the file named by CORVANE_SIGN_PASSFILE. makensis calls it
# for the uninstaller and the installer, the installer target for the program.
cmake_minimum_required(VERSION 3.25)
find_program(OSSLSIGNCODE osslsigncode REQUIRED)
execute_process(COMMAND "${OSSLSIGNCODE}" sign -pkcs12 "$ENV{CORVANE_SIGN_PKCS12}" -readpass "$ENV{CORVANE_SIGN_PASSFILE}"
                        -h sha256 -n Corvane -in "${FILE}" -out "${FILE}.signed"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "osslsigncode could not sign ${FILE}:\n${output}")
endif()
file(RENAME "${FILE}.signed" "${FILE}")
