# Windows: everything corvane.exe needs at run time lies beside it, in the build tree (so the
# programs and tests run under Wine as they are) and in the install tree the installer packs.
# Qt's windeployqt cannot run on a Linux host; the set is small enough to name.

set(QT_BIN "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
set(QT_PLUGINS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}")
file(GLOB sodium_dll "${SODIUM_PREFIX}/bin/libsodium-*.dll")
set(mingw_dlls)
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll}")
        message(FATAL_ERROR "The MinGW runtime ${name} was not found beside ${CMAKE_CXX_COMPILER}")
    endif()
    list(APPEND mingw_dlls "${dll}")
endforeach()

set(CORVANE_WINDOWS_DLLS ${QT_BIN}/Qt6Core.dll ${QT_BIN}/Qt6Gui.dll ${QT_BIN}/Qt6Widgets.dll ${sodium_dll} ${mingw_dlls})
set(CORVANE_WINDOWS_PLATFORM ${QT_PLUGINS}/platforms/qwindows.dll)
# Without it widgets fall back to the plain Windows 95 look. Qt 6.7 moved the Vista style, beside the
# Windows 11 one, into a plugin of another name.
if(Qt6_VERSION VERSION_LESS 6.7)
    set(CORVANE_WINDOWS_STYLE ${QT_PLUGINS}/styles/qwindowsvistastyle.dll)
else()
    set(CORVANE_WINDOWS_STYLE ${QT_PLUGINS}/styles/qmodernwindowsstyle.dll)
endif()

file(COPY ${CORVANE_WINDOWS_DLLS} ${QT_BIN}/Qt6Test.dll DESTINATION ${CMAKE_BINARY_DIR})
file(COPY ${CORVANE_WINDOWS_PLATFORM} ${QT_PLUGINS}/platforms/qoffscreen.dll DESTINATION ${CMAKE_BINARY_DIR}/platforms)
file(COPY ${CORVANE_WINDOWS_STYLE} DESTINATION ${CMAKE_BINARY_DIR}/styles)

install(FILES ${CORVANE_WINDOWS_DLLS} DESTINATION .)
install(FILES ${CORVANE_WINDOWS_PLATFORM} DESTINATION platforms)
install(FILES ${CORVANE_WINDOWS_STYLE} DESTINATION styles)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
