// Reads the Windows clipboard as another program would: writes its CF_UNICODETEXT as UTF-8 bytes to
// the file named on the command line, and fails unless the copy also carries the three formats that
// keep it out of clipboard monitors, clipboard history and cloud sync. With --clear it empties the
// clipboard instead, so that what is read later cannot be left over from an earlier copy. With
// --hold MILLISECONDS TEXT it puts TEXT on the clipboard and keeps the clipboard open that long, as a
// clipboard viewer may; it prints "held" once it holds it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

int hold(DWORD milliseconds, const char* text)
{
    // SetClipboardData works only for a clipboard opened by a window.
    HWND owner = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, units * sizeof(wchar_t));
    auto* wide = memory ? static_cast<wchar_t*>(GlobalLock(memory)) : nullptr;
    if (!owner || !wide || !OpenClipboard(owner))
        return 2;
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, units);
    GlobalUnlock(memory);
    if (!EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory))
        return 2;
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(milliseconds);
    return CloseClipboard() ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--hold") == 0)
        return hold(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)), argv[3]);
    if (argc != 2 || !OpenClipboard(nullptr))
        return 2;
    if (std::strcmp(argv[1], "--clear") == 0) {
        const bool emptied = EmptyClipboard();
        return CloseClipboard() && emptied ? 0 : 2;
    }
    int status = 0;
    for (const char* name : {"ExcludeClipboardContentFromMonitorProcessing", "CanIncludeInClipboardHistory",
                             "CanUploadToCloudClipboard"}) {
        HANDLE data = GetClipboardData(RegisterClipboardFormatA(name));
        const auto* value = data ? static_cast<const DWORD*>(GlobalLock(data)) : nullptr;
        // The two "Can..." formats opt out only when they hold a zero DWORD.
        if (!value || (std::strncmp(name, "Can", 3) == 0 && (GlobalSize(data) < sizeof(DWORD) || *value != 0))) {
            std::printf("clipboard format %s missing or not zero\n", name);
            status = 1;
        }
        if (value)
            GlobalUnlock(data);
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (!text) {
        std::printf("no CF_UNICODETEXT on the clipboard\n");
        return 1;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    char* utf8 = new char[bytes];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, bytes, nullptr, nullptr);
    GlobalUnlock(data);
    CloseClipboard();
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(utf8, 1, std::strlen(utf8), out) != std::strlen(utf8) || std::fclose(out) != 0)
        status = 2;
    delete[] utf8;
    return status;
}
