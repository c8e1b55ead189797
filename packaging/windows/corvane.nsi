; Corvane for 64-bit Windows. Built by the "installer" target, which stages the install tree and
; passes VERSION, ICON, OUTFILE, the two generated file lists and, for a signed build, SIGNER (sign.sh).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"

; A standard user installs for themselves alone, under their own profile, and is never asked for
; an administrator; an administrator may choose every user of the machine instead. /CurrentUser and
; /AllUsers choose without asking, and the user's own install is the default.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_DEFAULT_CURRENTUSER
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Corvane"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_NOUNINSTALL
!define MULTIUSER_INSTALLMODEPAGE_TEXT_TOP "Install Corvane for yourself alone, or for everyone who uses this computer."
!define MULTIUSER_INSTALLMODEPAGE_TEXT_ALLUSERS "For everyone who uses this computer"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_CURRENTUSER "Just for me"
!define MULTIUSER_PAGE_CUSTOMFUNCTION_LEAVE RefuseSecondInstall
!include MultiUser.nsh
!include LogicLib.nsh

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
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; One Corvane on a desk: two would stand twice, under one name, in the Start menu and in the list of
; installed programs. An install over one of the same kind replaces it.
Function RefuseSecondInstall
    ${If} $MultiUser.InstallMode == "AllUsers"
        ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
        StrCpy $1 "Corvane is already installed for you alone, in $0.$\r$\nUninstall it first to install Corvane for everyone."
    ${Else}
        ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        StrCpy $1 "Corvane is already installed for everyone who uses this computer, in $0."
    ${EndIf}
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP $1 /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

Var CommandLineDir
Function .onInit
    ; MultiUser sets the folder from the mode; /D= on the command line still has the last word.
    StrCpy $CommandLineDir $INSTDIR
    !insertmacro MULTIUSER_INIT
    ${If} $CommandLineDir != ""
        StrCpy $INSTDIR $CommandLineDir
    ${EndIf}
    ; Where the mode page is shown, its choice is checked when it is left.
    ${If} $MultiUser.Privileges == "Admin"
    ${OrIf} $MultiUser.Privileges == "Power"
        ${IfNot} ${Silent}
            Return
        ${EndIf}
    ${EndIf}
    Call RefuseSecondInstall
FunctionEnd

Section "Corvane"
    !include "${FILELIST}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
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

; The uninstaller serves the install whose entry names its folder: the machine's, or else the user's.
Function un.onInit
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        UserInfo::GetAccountType
        Pop $1
        ${If} $1 != "Admin"
        ${AndIf} $1 != "Power"
            MessageBox MB_OK|MB_ICONSTOP "Corvane is installed for everyone who uses this computer; only an administrator can uninstall it." /SD IDOK
            SetErrorLevel 2
            Quit
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
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
