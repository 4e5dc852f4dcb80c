// Process-level functions: last error, module, message box, common controls, metrics.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/fs/windows_path.h"
#include "platform/win32/platform_window.h"

namespace {
thread_local DWORD lastError = 0;
// The process module handle stands for the executable; it is never dereferenced.
HINSTANCE__* const ProcessModule = reinterpret_cast<HINSTANCE__*>(static_cast<std::uintptr_t>(0x400000));
HGDIOBJ__* const StockObjectBase = reinterpret_cast<HGDIOBJ__*>(static_cast<std::uintptr_t>(0x1000));
} // namespace

DWORD GetLastError() {
    return lastError;
}
void SetLastError(DWORD error) {
    lastError = error;
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    return moduleName ? nullptr : ProcessModule;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    if (!fileName || size == 0 || (module && module != ProcessModule))
        return 0;
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length < 0)
        length = 0;
    path[length] = '\0';
    std::wstring wide = WindowsPath::Widen(path);
    DWORD copied = static_cast<DWORD>(std::min<size_t>(wide.size(), size - 1));
    wide.copy(fileName, copied);
    fileName[copied] = L'\0';
    return copied;
}

HICON ExtractIconW(HINSTANCE, LPCWSTR, UINT) {
    return nullptr;
}

void InitCommonControls() {}

HGDIOBJ GetStockObject(int object) {
    return reinterpret_cast<HGDIOBJ>(reinterpret_cast<std::uintptr_t>(StockObjectBase) +
                                     static_cast<unsigned>(object));
}

int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT) {
    std::string narrowCaption = WindowsPath::Narrow(caption ? caption : L"Error");
    std::string narrowText = WindowsPath::Narrow(text ? text : L"");
    std::fprintf(stderr, "%s: %s\n", narrowCaption.c_str(), narrowText.c_str());
    std::fflush(stderr);
    return IDOK;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        SDL_Rect bounds{};
        if (!Win32Platform::EnsureVideo() || SDL_GetDisplayBounds(0, &bounds) != 0)
            return 0;
        return index == SM_CXSCREEN ? bounds.w : bounds.h;
    }
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CMONITORS:
        return Win32Platform::EnsureVideo() ? SDL_GetNumVideoDisplays() : 0;
    case SM_REMOTESESSION: // a local desktop session
    default:
        return 0;
    }
}
