#include "WinClipboard.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>

namespace corvane {
namespace {

HGLOBAL globalCopy(const void* data, SIZE_T size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (!target) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, data, size);
    GlobalUnlock(memory);
    return memory;
}

bool put(UINT format, HGLOBAL memory)
{
    // On success the clipboard owns the memory.
    if (format == 0 || !memory || !SetClipboardData(format, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

// EmptyClipboard makes the window that opened the clipboard its owner, and SetClipboardData
// refuses to work for an owner of none; a message-only window serves for the whole run.
HWND ownerWindow()
{
    static const HWND window =
        CreateWindowExW(0, L"STATIC", L"Corvane clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    return window;
}

// Clipboard viewers and remote-desktop clients hold the clipboard for a moment now and then; a
// second is long enough for them and short enough for a person waiting on a button.
bool openWithin(DWORD milliseconds)
{
    const ULONGLONG until = GetTickCount64() + milliseconds;
    while (!OpenClipboard(ownerWindow())) {
        if (GetTickCount64() >= until)
            return false;
        Sleep(10);
    }
    return true;
}

bool fill(const QString& text)
{
    if (!EmptyClipboard())
        return false;
    // QString is already UTF-16 with a closing zero, the form CF_UNICODETEXT takes.
    if (!put(CF_UNICODETEXT, globalCopy(text.utf16(), (text.size() + 1) * sizeof(char16_t))))
        return false;
    const DWORD no = 0;
    for (const wchar_t* name :
         {L"ExcludeClipboardContentFromMonitorProcessing", L"CanIncludeInClipboardHistory", L"CanUploadToCloudClipboard"}) {
        if (!put(RegisterClipboardFormatW(name), globalCopy(&no, sizeof no)))
            return false;
    }
    return true;
}

} // namespace

bool WinClipboard::setSecretText(const QString& text)
{
    if (!openWithin(1000))
        return false;
    const bool filled = fill(text);
    // Half a copy, say the text without the marks that keep it out of history, must not stay behind.
    if (!filled)
        EmptyClipboard();
    return CloseClipboard() && filled;
}

} // namespace corvane
