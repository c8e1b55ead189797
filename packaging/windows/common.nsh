; What setup (corvane.nsi) and the uninstaller (uninstall.nsi) share: both are ordinary NSIS programs,
; so that each runs in place and its exit code is the end of its work. FILES names the file lists that
; BuildInstaller.cmake generates: NEW_FILES (this version's, to extract), ALL_FILES and ALL_DIRS (every
; file and folder any release put into the install folder, folders deepest first).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
!ifdef MULTIUSER_EXECUTIONLEVEL
!include MultiUser.nsh
!else
Var MultiUser.Privileges
!endif
!include LogicLib.nsh
!include FileFunc.nsh
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"
; The mode an install was made in, beside its uninstaller, which reads it there rather than guess it
; from its folder's name: one folder has many spellings.
!define RECORD "install.ini"

; Exit codes besides NSIS's own (0 done, 1 cancelled, 2 stopped). The README lists them all.
!define EXIT_NEEDS_ADMIN 3
!define EXIT_OTHER_MODE 4
!define EXIT_PUT_BACK 5
!define EXIT_RUNNING 6
!define EXIT_NEWER 7
!define EXIT_OLD_WINDOWS 8
!define EXIT_FOLDER 9
!define EXIT_INCOMPLETE 10

Icon "${ICON}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Corvane"
VIAddVersionKey "CompanyName" "Talvery"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT licence"
!ifdef SIGNER
!finalize 'bash "${SIGNER}" "%1"' = 0
!endif

; The log: every run appends what it did to %TEMP%\NAME, or to the file /LOG= names.
Var LogFile
!macro OPEN_LOG NAME
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/LOG=" $R1
    StrCmp $R1 "" 0 +2
    StrCpy $R1 "$TEMP\${NAME}"
    FileOpen $LogFile $R1 a
    FileSeek $LogFile 0 END
    ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
    ${Log} "$2-$1-$0 $4:$5:$6 Corvane ${VERSION}: $CMDLINE"
!macroend
!define Log '!insertmacro LOG'
!macro LOG TEXT
    Push `${TEXT}`
    Call Log
!macroend
Function Log
    Exch $0
    DetailPrint $0
    FileWrite $LogFile "$0$\r$\n"
    Pop $0
FunctionEnd

; done WHY: the log's last words on success, after which the pages show "Completed". quit CODE WHY: ends
; with that code, the log saying why. stop also tells the user, silently too (where it goes to no one).
!macro done WHY
    ${Log} "${WHY}"
    ${Log} "exit code 0"
    FileClose $LogFile
!macroend
!macro quit CODE WHY
    ${Log} "${WHY}"
    ${Log} "exit code ${CODE}"
    FileClose $LogFile
    SetErrorLevel ${CODE}
    Quit
!macroend
!macro stop CODE MESSAGE
    MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
    !insertmacro quit ${CODE} "refused: ${MESSAGE}"
!macroend

Var Admin  ; 1 where the account may install for everyone
; Sets $MultiUser.Privileges (Admin, Power, User or Guest) and $Admin. Wine runs everyone as an
; administrator: the tests' build (TEST_ACCOUNT) takes the account type from CORVANE_TEST_ACCOUNT.
Function Account
    UserInfo::GetAccountType
    Pop $MultiUser.Privileges
!ifdef TEST_ACCOUNT
    ReadEnvStr $1 CORVANE_TEST_ACCOUNT
    StrCmp $1 "" +2
    StrCpy $MultiUser.Privileges $1
!endif
    StrCpy $Admin 0
    ${If} $MultiUser.Privileges == "Admin"
    ${OrIf} $MultiUser.Privileges == "Power"
        StrCpy $Admin 1
    ${EndIf}
FunctionEnd

; Nothing in $INSTDIR is touched while Corvane runs from it, in any session: Windows holds a running
; program's image and the DLLs it loaded against writing, so an exclusive open of them ends in a sharing
; violation (32). The user may close it and retry; a silent run ends at once.
!macro HELD NAME
    System::Call 'kernel32::CreateFileW(w "$INSTDIR\${NAME}", i 0x40000000, i 0, p 0, i 3, i 0, p 0) p .r1 ?e'
    Pop $2
    ${If} $1 <> -1
        System::Call 'kernel32::CloseHandle(p r1)'
    ${ElseIf} $2 = 32
        StrCpy $0 1
    ${EndIf}
!macroend
Function NotRunning
    retry:
    StrCpy $0 0
    !insertmacro HELD corvane.exe
    !insertmacro HELD Qt6Core.dll
    StrCmp $0 0 done
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Corvane is running from $INSTDIR.$\r$\nClose it (every user's), then choose Retry." /SD IDCANCEL IDRETRY retry
    !insertmacro quit ${EXIT_RUNNING} "refused: Corvane is running from $INSTDIR; nothing was changed"
    done:
FunctionEnd

; IS_FILE PATH: a LogicLib condition, true for a file and false for a folder.
!macro _IsFile _a _b _t _f
    IfFileExists "${_b}\*.*" `${_f}` 0
    IfFileExists "${_b}" `${_t}` `${_f}`
!macroend
!define IsFile `"" IsFile`
