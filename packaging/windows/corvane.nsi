; Corvane's setup for 64-bit Windows. Built by the "installer" target (BuildInstaller.cmake), which
; passes VERSION, ICON, OUTFILE, FILES, UNINSTALLER (uninstall.exe, built first from uninstall.nsi),
; SIZE_KB and HOME_URL, and for a signed build SIGNER (sign.sh).

; A standard user installs for themselves alone, under their own profile, and is never asked for an
; administrator; an administrator may choose every user of the machine instead. An update keeps the mode
; and folder of the Corvane it finds. The mode is chosen here, not by MultiUser's own command-line
; handling, whose refusal is a message box that a silent run would wait on for ever.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Corvane"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_FUNCTION ModeSet
!define MULTIUSER_NOUNINSTALL
!define MULTIUSER_INSTALLMODEPAGE_TEXT_TOP "Install Corvane for yourself alone, or for everyone who uses this computer."
!define MULTIUSER_INSTALLMODEPAGE_TEXT_ALLUSERS "For everyone who uses this computer"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_CURRENTUSER "Just for me"
!define MULTIUSER_PAGE_CUSTOMFUNCTION_LEAVE ModePageLeft
!include "${__FILEDIR__}\common.nsh"
!include WinVer.nsh
!include WordFunc.nsh

Name "Corvane"
OutFile "${OUTFILE}"
VIAddVersionKey "FileDescription" "Corvane ${VERSION} setup"
; A file that cannot be written ends the install, which then puts back what was there (.onInstFailed):
; skipped, it would leave a mix of two versions.
AllowSkipFiles off

!insertmacro MULTIUSER_PAGE_INSTALLMODE
Page directory SkipOnUpdate "" FolderPageLeft
Page instfiles

Var MachineDir  ; the folders the machine's and this user's uninstall entries name
Var UserDir
Var CommandLineDir

; One Corvane on a desk: two would stand twice, under one name, in the Start menu and in the list of
; installed programs. Sets $0 to the other mode's folder where that mode alone is installed, and $1 to
; what to say about it.
Function OtherMode
    StrCpy $0 ""
    ${If} $MultiUser.InstallMode == "AllUsers"
    ${AndIf} $MachineDir == ""
        StrCpy $0 $UserDir
        StrCpy $1 "Corvane is already installed just for you, in $0.$\r$\nUninstall it first to install Corvane for everyone."
    ${ElseIf} $MultiUser.InstallMode == "CurrentUser"
    ${AndIf} $UserDir == ""
        StrCpy $0 $MachineDir
        StrCpy $1 "Corvane is already installed for everyone who uses this computer, in $0.$\r$\nUpdate that install, or have an administrator uninstall it first."
    ${EndIf}
FunctionEnd

; Everyone's Corvane goes under Program Files, whose permissions keep standard accounts from changing the
; files that every user, administrators and SYSTEM run. Sets $1 to the refusal, or "". The folder is
; compared in its canonical spelling: "C:\Program Files\..\Corvane" is not under it.
Function FolderRefused
    StrCpy $1 ""
    ${If} $MultiUser.InstallMode == "AllUsers"
        System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r2, p 0)'
        StrLen $3 "$PROGRAMFILES64\"
        StrCpy $3 $2 $3
        ${If} $3 != "$PROGRAMFILES64\"
            StrCpy $1 "Corvane for everyone who uses this computer goes into $PROGRAMFILES64, not $INSTDIR.$\r$\nTo update a Corvane installed elsewhere, uninstall it first."
        ${EndIf}
    ${EndIf}
FunctionEnd

; MultiUser sets a mode's default folder, or the folder its install names; /D= replaces the default.
Function ModeSet
    ${If} $CommandLineDir != ""
    ${AndIf} $MultiUser.InstDir == ""
        StrCpy $INSTDIR $CommandLineDir
    ${EndIf}
FunctionEnd

Function .onInit
    !insertmacro OPEN_LOG "Corvane-setup.log"
    ${IfNot} ${AtLeastBuild} 17763
        !insertmacro stop ${EXIT_OLD_WINDOWS} "Corvane needs Windows 10 version 1809 or later."
    ${EndIf}
    StrCpy $CommandLineDir $INSTDIR
    Call Account
    ReadRegStr $MachineDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $UserDir HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/AllowDowngrade" $R1
    ${If} ${Errors}
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
        ReadRegStr $2 HKCU "${UNINSTALL_KEY}" "DisplayVersion"
        ${VersionCompare} "$1" "${VERSION}" $3
        ${VersionCompare} "$2" "${VERSION}" $4
        ${If} $3 == 1
        ${OrIf} $4 == 1
            !insertmacro stop ${EXIT_NEWER} "Corvane $1$2 is installed, newer than this setup's ${VERSION}."
        ${EndIf}
    ${EndIf}
    ; The mode: the one asked for, else the one installed (this user's first, as only theirs is sure to be
    ; theirs to update), else everyone's for an administrator's silent run (a deployment tool's, whatever
    ; account it uses), else the user's own.
    ClearErrors
    ${GetOptions} $R0 "/AllUsers" $R1
    ${IfNot} ${Errors}
        ${If} $Admin == 0
            !insertmacro stop ${EXIT_NEEDS_ADMIN} "Only an administrator can install Corvane for everyone who uses this computer."
        ${EndIf}
        Call MultiUser.InstallMode.AllUsers
    ${Else}
        ClearErrors
        ${GetOptions} $R0 "/CurrentUser" $R1
        ${IfNot} ${Errors}
        ${OrIf} $UserDir != ""
            Call MultiUser.InstallMode.CurrentUser
        ${ElseIf} $MachineDir != ""
            ${If} $Admin == 0
                !insertmacro stop ${EXIT_NEEDS_ADMIN} "Corvane is installed for everyone who uses this computer, in $MachineDir.$\r$\nOnly an administrator can update it."
            ${EndIf}
            Call MultiUser.InstallMode.AllUsers
        ${ElseIf} $Admin == 1
        ${AndIf} ${Silent}
            Call MultiUser.InstallMode.AllUsers
        ${Else}
            Call MultiUser.InstallMode.CurrentUser
        ${EndIf}
    ${EndIf}
    ; Where the mode page is shown, its choice is checked when it is left.
    ${If} $Admin == 1
    ${AndIfNot} ${Silent}
        Return
    ${EndIf}
    Call OtherMode
    ${If} $0 != ""
        !insertmacro stop ${EXIT_OTHER_MODE} $1
    ${EndIf}
    Call FolderRefused
    ${If} $1 != ""
        !insertmacro stop ${EXIT_FOLDER} $1
    ${EndIf}
FunctionEnd

; On the pages the choice can still be changed, so a refusal leaves the page open.
Function ModePageLeft
    Call OtherMode
    ${If} $0 == ""
        Call FolderRefused
    ${EndIf}
    ${If} $1 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$1" /SD IDOK
        Abort
    ${EndIf}
FunctionEnd
Function FolderPageLeft
    Call FolderRefused
    ${If} $1 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$1" /SD IDOK
        Abort
    ${EndIf}
FunctionEnd

Function SkipOnUpdate
    ${If} $MultiUser.InstDir != ""
        Abort
    ${EndIf}
FunctionEnd

; The update: every file an earlier release may have put into the folder is moved aside into $Backup, on
; the same volume, then this version's files are extracted, then the record, the shortcut and the uninstall
; entry are written. Only then does the backup go. A failure at any step puts back what was there
; (Rollback). Nothing from the install folder is ever run: an administrator's update must not execute
; what a standard account could have put there.
Var Backup
Var Extracting  ; 1 from the first file extracted on
Var Failed      ; what failed, or ""
Var OldVersion  ; the entry's version before, "" for a new install

!macro ASIDE NAME DIR
    ${If} ${IsFile} "$INSTDIR\${NAME}"
        CreateDirectory "$Backup${DIR}"
        Delete "$Backup\${NAME}"
        ClearErrors
        Rename "$INSTDIR\${NAME}" "$Backup\${NAME}"
        ${If} ${Errors}
            StrCpy $Failed "$INSTDIR\${NAME} could not be moved aside"
        ${Else}
            ${Log} "moved aside: $INSTDIR\${NAME}"
        ${EndIf}
    ${EndIf}
!macroend
!macro PUT DIR SOURCE NAME
    SetOutPath "$INSTDIR${DIR}"
    File "${SOURCE}"
    ${Log} "written: $INSTDIR\${NAME}"
!macroend
; Once extracting has begun, each file in place is a new one; before, an original that could not be
; moved aside, which stays.
!macro BACK NAME DIR
    ${If} $Extracting == 1
    ${AndIf} ${IsFile} "$INSTDIR\${NAME}"
        ClearErrors
        Delete "$INSTDIR\${NAME}"
        ${If} ${Errors}
            StrCpy $Failed "$Failed; $INSTDIR\${NAME} could not be removed"
        ${Else}
            ${Log} "removed: $INSTDIR\${NAME}"
        ${EndIf}
    ${EndIf}
    ${If} ${IsFile} "$Backup\${NAME}"
    ${AndIfNot} ${IsFile} "$INSTDIR\${NAME}"
        ClearErrors
        Rename "$Backup\${NAME}" "$INSTDIR\${NAME}"
        ${If} ${Errors}
            StrCpy $Failed "$Failed; $INSTDIR\${NAME} could not be put back"
        ${Else}
            ${Log} "put back: $INSTDIR\${NAME}"
        ${EndIf}
    ${EndIf}
!macroend
!macro DROP NAME DIR
    ${If} ${IsFile} "$Backup\${NAME}"
        Delete "$Backup\${NAME}"
        ${Log} "removed the previous version's $Backup\${NAME}"
    ${EndIf}
!macroend
!macro EMPTY_DIR DIR
    RMDir "$Backup\${DIR}"
    RMDir "$INSTDIR\${DIR}"
!macroend
; REG TYPE NAME VALUE: one value of the uninstall entry, written and checked.
!macro REG TYPE NAME VALUE
    ClearErrors
    WriteReg${TYPE} SHCTX "${UNINSTALL_KEY}" "${NAME}" `${VALUE}`
    ${If} ${Errors}
        StrCpy $Failed "the registry value ${NAME} could not be written"
        Call Failed
    ${EndIf}
    ${Log} `registry: ${NAME} = ${VALUE}`
!macroend
; CHECKED WHAT: ends the install, putting back what was there, where the last step set the error flag.
!macro CHECKED WHAT
    ${If} ${Errors}
        StrCpy $Failed "${WHAT}"
        Call Failed
    ${EndIf}
    ${Log} "${WHAT}: done"
!macroend

Section "Corvane"
    Call NotRunning
    StrCpy $Backup "$INSTDIR\previous-version"
    ReadRegStr $OldVersion SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
    ${Log} "installing into $INSTDIR ($MultiUser.InstallMode) over version '$OldVersion'"
    ClearErrors
    CreateDirectory "$Backup"
    !insertmacro CHECKED "creating $Backup"
    ; What an update cut short (by a power cut) left there is no one's to put back.
    !insertmacro ALL_FILES DROP
    !insertmacro ALL_FILES ASIDE
    ${If} $Failed != ""
        Call Failed
    ${EndIf}
    StrCpy $Extracting 1
    !insertmacro NEW_FILES
    ClearErrors
    WriteINIStr "$INSTDIR\${RECORD}" "Install" "Mode" $MultiUser.InstallMode
    !insertmacro CHECKED "writing the record $INSTDIR\${RECORD}"
    ; The shortcut's "Start in" is the output folder.
    SetOutPath "$INSTDIR"
    CreateShortcut "$SMPROGRAMS\Corvane.lnk" "$INSTDIR\corvane.exe"
    !insertmacro CHECKED "writing the shortcut $SMPROGRAMS\Corvane.lnk"
    ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
    !insertmacro REG Str "DisplayName" "Corvane"
    !insertmacro REG Str "DisplayVersion" "${VERSION}"
    !insertmacro REG Str "Publisher" "Talvery"
    !insertmacro REG Str "DisplayIcon" "$INSTDIR\corvane.exe"
    !insertmacro REG Str "InstallLocation" "$INSTDIR"
    !insertmacro REG Str "InstallDate" "$2$1$0"
    !insertmacro REG Str "UninstallString" '"$INSTDIR\uninstall.exe"'
    !insertmacro REG Str "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!ifdef HOME_URL
    !insertmacro REG Str "URLInfoAbout" "${HOME_URL}"
    !insertmacro REG Str "HelpLink" "${HOME_URL}"
!endif
!ifdef SIZE_KB
    !insertmacro REG DWORD "EstimatedSize" ${SIZE_KB}
!endif
    !insertmacro REG DWORD "NoModify" 1
    !insertmacro REG DWORD "NoRepair" 1
    !insertmacro ALL_FILES DROP
    !insertmacro ALL_DIRS EMPTY_DIR
    RMDir "$Backup"
    ; The pages end on "Completed".
    !insertmacro done "installed ${VERSION} in $INSTDIR"
SectionEnd

; Puts back the files, the entry's version and, for a new install, removes the shortcut, the entry and
; the folder. The other values of the entry are this version's and name the same folder and uninstaller.
Function Rollback
    ${Log} "failed: $Failed; putting back what was there"
    StrCpy $Failed ""
    !insertmacro ALL_FILES BACK
    ${If} $OldVersion == ""
        Delete "$SMPROGRAMS\Corvane.lnk"
        DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${Else}
        WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" $OldVersion
    ${EndIf}
    !insertmacro ALL_DIRS EMPTY_DIR
    RMDir "$Backup"
    RMDir "$INSTDIR"
FunctionEnd
Function Failed
    Call Rollback
    ${If} $Failed != ""
        !insertmacro stop ${EXIT_INCOMPLETE} "Corvane could not be installed, nor could everything be put back:$Failed.$\r$\nThe log names each file."
    ${EndIf}
    !insertmacro stop ${EXIT_PUT_BACK} "Corvane could not be installed; everything was put back as it was."
FunctionEnd
; A file that could not be extracted ends the section here.
Function .onInstFailed
    StrCpy $Failed "a file could not be written"
    Call Failed
FunctionEnd
Function .onUserAbort
    ${Log} "cancelled on a page; exit code 1"
FunctionEnd
