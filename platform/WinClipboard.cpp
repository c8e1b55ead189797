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

void put(UINT format, HGLOBAL memory)
{
    // On success the clipboard owns the memory.
    if (memory && !SetClipboardData(format, memory))
        GlobalFree(memory);
}

// EmptyClipboard makes the window that opened the clipboard its owner, and SetClipboardData
// refuses to work for an owner of none; a message-only window serves for the whole run.
HWND ownerWindow()
{
    static const HWND window =
        CreateWindowExW(0, L"STATIC", L"Corvane clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    return window;
}

} // namespace

void WinClipboard::setSecretText(const QString& text)
{
    // Another program may hold the clipboard for a moment.
    bool opened = false;
    for (int attempt = 0; attempt < 20 && !(opened = OpenClipboard(ownerWindow())); ++attempt)
        Sleep(10);
    if (!opened)
        return;
    EmptyClipboard();
    // QString is already UTF-16 with a closing zero, the form CF_UNICODETEXT takes.
    put(CF_UNICODETEXT, globalCopy(text.utf16(), (text.size() + 1) * sizeof(char16_t)));
    const DWORD no = 0;
    for (const wchar_t* name :
         {L"ExcludeClipboardContentFromMonitorProcessing", L"CanIncludeInClipboardHistory", L"CanUploadToCloudClipboard"})
        put(RegisterClipboardFormatW(name), globalCopy(&no, sizeof no));
    CloseClipboard();
}

} // namespace corvane
