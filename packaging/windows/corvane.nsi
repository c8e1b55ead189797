; Corvane for 64-bit Windows. Built by the "installer" target, which stages the install tree and
; passes VERSION, ICON, OUTFILE, the two generated file lists and, for a signed build, SIGNER (sign.sh).
; The tests' build also passes TEST_ACCOUNT: Wine runs everyone as an administrator, so there the
; variables CORVANE_TEST_ACCOUNT (Admin, User...) and CORVANE_TEST_SID stand in for the account.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"

; A standard user installs for themselves alone, under their own profile, and is never asked for an
; administrator; an administrator may choose every user of the machine instead, and the SYSTEM account,
; which deployment tools run as and which no person logs on to, installs for everyone. An update keeps the
; mode and folder of the Corvane it finds. The mode is chosen here, not by MultiUser's own command-line
; handling, whose refusal is a message box that a silent run would wait on for ever.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Corvane"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_NOUNINSTALL
!define MULTIUSER_INSTALLMODEPAGE_TEXT_TOP "Install Corvane for yourself alone, or for everyone who uses this computer."
!define MULTIUSER_INSTALLMODEPAGE_TEXT_ALLUSERS "For everyone who uses this computer"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_CURRENTUSER "Just for me"
!define MULTIUSER_PAGE_CUSTOMFUNCTION_LEAVE ModePageLeft
!include MultiUser.nsh
!include LogicLib.nsh
!include FileFunc.nsh

; Exit codes besides NSIS's own (0 done, 1 cancelled, 2 stopped). The README lists them all.
!define EXIT_NEEDS_ADMIN 3
!define EXIT_OTHER_MODE 4
!define EXIT_OLD_VERSION 5
; The mode an install was made in, beside its uninstaller, which reads it there rather than guess it
; from its folder's name: one folder has many spellings.
!define RECORD "install.ini"

!ifdef SIGNER
!uninstfinalize 'bash "${SIGNER}" "%1"' = 0
!finalize 'bash "${SIGNER}" "%1"' = 0
!endif

Name "Corvane"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Corvane"
VIAddVersionKey "CompanyName" "Talvery"
VIAddVersionKey "FileDescription" "Corvane ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
Page directory SkipOnUpdate
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; stop EXIT-CODE MESSAGE: says why, silently too (where it goes to no one), and ends with that code.
!macro stop CODE MESSAGE
    MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
    SetErrorLevel ${CODE}
    Quit
!macroend

Var Admin  ; 1 where the account may install for everyone
; Sets $MultiUser.Privileges (Admin, Power, User or Guest), $Admin and $0 to the account's SID.
!macro ACCOUNT PREFIX
Function ${PREFIX}Account
    UserInfo::GetAccountType
    Pop $MultiUser.Privileges
    StrCpy $0 ""
    System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .r1) i .r2'
    ${If} $2 <> 0
        System::Alloc 1024
        Pop $3
        ; TOKEN_USER starts with the pointer to the user's SID.
        System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r3, i 1024, *i .r4) i .r2'
        ${If} $2 <> 0
            System::Call '*$3(p .r4)'
            System::Call 'advapi32::ConvertSidToStringSidW(p r4, *w .r0)'
        ${EndIf}
        System::Free $3
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
!ifdef TEST_ACCOUNT
    ReadEnvStr $1 CORVANE_TEST_ACCOUNT
    StrCmp $1 "" +2
    StrCpy $MultiUser.Privileges $1
    ReadEnvStr $1 CORVANE_TEST_SID
    StrCmp $1 "" +2
    StrCpy $0 $1
!endif
    StrCpy $Admin 0
    ${If} $MultiUser.Privileges == "Admin"
    ${OrIf} $MultiUser.Privileges == "Power"
        StrCpy $Admin 1
    ${EndIf}
FunctionEnd
!macroend
!insertmacro ACCOUNT ""
!insertmacro ACCOUNT "un."


Var MachineDir  ; the folders the machine's and this user's uninstall entries name
Var UserDir

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

Function .onInit
    Var /GLOBAL CommandLineDir
    StrCpy $CommandLineDir $INSTDIR
    Call Account
    StrCpy $R9 $0
    ReadRegStr $MachineDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ReadRegStr $UserDir HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ; The mode: the one asked for, else the one installed (this user's first, as only theirs is sure to be
    ; theirs to update), else everyone's under SYSTEM, else the user's own.
    ${GetParameters} $R0
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
        ${ElseIf} $R9 == "S-1-5-18"
            Call MultiUser.InstallMode.AllUsers
        ${Else}
            Call MultiUser.InstallMode.CurrentUser
        ${EndIf}
    ${EndIf}
    ; /D= chooses the folder of a new install; an update stays where it is.
    ${If} $CommandLineDir != ""
        ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
        StrCmp $0 "" 0 +2
        StrCpy $INSTDIR $CommandLineDir
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
FunctionEnd

; On the page the choice can still be changed, so a refusal leaves the page open.
Function ModePageLeft
    Call OtherMode
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$1$\r$\n$\r$\nChoose the other option to update the Corvane installed." /SD IDOK
        Abort
    ${EndIf}
FunctionEnd

Function SkipOnUpdate
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    StrCmp $0 "" +2
    Abort
FunctionEnd

Section "Corvane"
    ; An update: the previous version's own uninstaller takes away its files, whichever they were, so that
    ; none the new version no longer ships is left behind. No uninstaller touches the presets.
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        DetailPrint "Removing the previous version from $0"
        ClearErrors
        ExecWait '"$0\uninstall.exe" /S _?=$0' $1
        ${If} ${Errors}
        ${OrIf} $1 <> 0
            !insertmacro stop ${EXIT_OLD_VERSION} "The Corvane installed in $0 could not be removed to update it (its uninstaller ended with $1).$\r$\nNothing else was changed."
        ${EndIf}
        ; Run in place, an uninstaller cannot delete itself.
        Delete "$0\uninstall.exe"
        RMDir "$0"
    ${EndIf}
    !include "${FILELIST}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteINIStr "$INSTDIR\${RECORD}" "Install" "Mode" $MultiUser.InstallMode
    CreateShortcut "$SMPROGRAMS\Corvane.lnk" "$INSTDIR\corvane.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Corvane"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Talvery"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvane.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller serves the mode its install recorded. Without a record (a damaged install) it serves the
; machine's entry only where this user has none.
Function un.onInit
    Call un.Account
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
FunctionEnd

; Only what the installer put there goes: a file the user left in the folder keeps it, and the
; presets under HKEY_CURRENT_USER\Software\Corvane stay for a later install.
Section "Uninstall"
    Delete "$SMPROGRAMS\Corvane.lnk"
    !include "${UNFILELIST}"
    Delete "$INSTDIR\${RECORD}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
