; remove.exe in the install folder, which uninstall.exe (uninstall.cpp) runs from a temporary folder with
; /D= the install folder; built by BuildInstaller.cmake before setup, which ships it (VERSION, ICON,
; OUTFILE, FILES, and SIGNER for a signed build). An ordinary NSIS program rather than an NSIS uninstaller:
; that one, started without _?=, copies itself to %TEMP%, starts the copy and ends at once with 0.
!include "${__FILEDIR__}\common.nsh"

Name "Corvane"
Caption "Corvane Uninstall"
OutFile "${OUTFILE}"
VIAddVersionKey "FileDescription" "Corvane ${VERSION} uninstaller"
; uninstall.exe asked for the rights; this one has what it was given.
RequestExecutionLevel user
SubCaption 3 ": Removing"
CompletedText "Corvane was removed."
ShowInstDetails show

Page instfiles

; The uninstaller serves the mode its install recorded. Without a record (a damaged install) it serves the
; machine's entry only where this user has none.
Function .onInit
    !insertmacro OPEN_LOG "Corvane-uninstall.log"
    ; Run in place, it could not remove itself.
    ${If} $INSTDIR == ""
    ${OrIf} $INSTDIR == $EXEDIR
        !insertmacro stop 2 "Run uninstall.exe to uninstall Corvane."
    ${EndIf}
    Call Account
    ReadINIStr $0 "$INSTDIR\${RECORD}" "Install" "Mode"
    ${If} $0 == ""
        ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
        ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        ${If} $1 == ""
        ${AndIf} $2 != ""
            StrCpy $0 "AllUsers"
        ${EndIf}
    ${EndIf}
    ${If} $0 == "AllUsers"
        ${If} $Admin == 0
            !insertmacro stop ${EXIT_NEEDS_ADMIN} "Corvane is installed for everyone who uses this computer; only an administrator can uninstall it."
        ${EndIf}
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}
    MessageBox MB_OKCANCEL|MB_ICONQUESTION "Remove Corvane from $INSTDIR?$\r$\nYour presets stay for a later install." /SD IDOK IDOK confirmed
    !insertmacro quit 1 "cancelled"
    confirmed:
FunctionEnd

Var Failed
; Only what a release put there goes: a file the user left in the folder keeps it, and the presets under
; HKEY_CURRENT_USER\Software\Corvane stay for a later install.
; remove.exe goes last, once all else has: a refused uninstall must be able to run again.
!macro REMOVE NAME DIR
    !if "${NAME}" != "remove.exe"
    ${If} ${IsFile} "$INSTDIR\${NAME}"
        ClearErrors
        Delete "$INSTDIR\${NAME}"
        ${If} ${Errors}
            StrCpy $Failed "$Failed $INSTDIR\${NAME}"
            ${Log} "could not remove: $INSTDIR\${NAME}"
        ${Else}
            ${Log} "removed: $INSTDIR\${NAME}"
        ${EndIf}
    ${EndIf}
    !endif
!macroend
!macro REMOVE_DIR DIR
    RMDir "$INSTDIR\${DIR}"
!macroend

Section
    Call NotRunning
    !insertmacro ALL_FILES REMOVE
    ${If} $Failed != ""
        !insertmacro stop ${EXIT_INCOMPLETE} "Some of Corvane's files could not be removed:$Failed.$\r$\nIts entry stays in the list of installed programs, so that you can uninstall it again."
    ${EndIf}
    Delete "$INSTDIR\remove.exe"
    !insertmacro ALL_DIRS REMOVE_DIR
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Corvane.lnk"
    ClearErrors
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${If} ${Errors}
    ${OrIf} ${IsFile} "$INSTDIR\remove.exe"
        !insertmacro stop ${EXIT_INCOMPLETE} "remove.exe or the uninstall entry of Corvane could not be removed."
    ${EndIf}
    ${Log} "removed the shortcut and the uninstall entry"
    !insertmacro done "uninstalled"
SectionEnd
