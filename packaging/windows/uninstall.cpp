// uninstall.exe, what the list of installed programs runs: it moves its own file out of the install
// folder (Windows allows renaming a running program's file, but an NSIS program holds its own open, so
// this one is not one), copies remove.exe, which does the work, beside it into a new temporary folder,
// runs it on the install folder with the switches given, and ends with its exit code once it has ended.
// So a caller learns how the uninstall went only when the folder is gone.
#include <windows.h>

#include <cwchar>

// Linked statically: a DLL it loaded from the folder could not be removed.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR switches, int)
{
    static wchar_t self[32768], folder[32768], temp[MAX_PATH + 1], work[MAX_PATH + 1], moved[MAX_PATH + 32],
        remover[MAX_PATH + 32], source[32768 + 16], line[3 * 32768];
    if (!GetModuleFileNameW(nullptr, self, 32768) || !GetTempPathW(MAX_PATH + 1, temp) ||
        !GetTempFileNameW(temp, L"cvu", 0, work) || !DeleteFileW(work) || !CreateDirectoryW(work, nullptr))
        return 2;
    std::wcscpy(folder, self);
    *std::wcsrchr(folder, L'\\') = L'\0';
    std::swprintf(moved, MAX_PATH + 32, L"%ls\\uninstall.exe", work);
    std::swprintf(remover, MAX_PATH + 32, L"%ls\\remove.exe", work);
    std::swprintf(source, 32768 + 16, L"%ls\\remove.exe", folder);
    // Should this fail (a temporary folder on another volume), remove.exe reports this file as left.
    MoveFileExW(self, moved, 0);
    // NSIS takes /D= last on the line, spaces and all.
    std::swprintf(line, 3 * 32768, L"\"%ls\" %ls /D=%ls", remover, switches, folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CopyFileW(source, remover, TRUE) ||
        !CreateProcessW(remover, line, nullptr, nullptr, FALSE, 0, nullptr, work, &startup, &process))
        return 2;
    DWORD code = 2;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DeleteFileW(remover);
    // A refused or unfinished uninstall keeps its uninstaller, to be run again.
    if (code == 0 || !MoveFileExW(moved, self, 0))
        MoveFileExW(moved, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return static_cast<int>(code);
}
