// Framework failures: each code proposes a process exit code and, when boxes are on, shows
// its text.
#include <algorithm>
#include <cwchar>
#include <iterator>

#include "framework/framework_internal.h"

namespace {

struct ErrorEntry {
    HRESULT code;
    int exitCode;
    const wchar_t* text;
};

constexpr ErrorEntry ErrorTable[] = {
    {FrameworkError::NoDirect3D, 2,
     L"Could not initialize Direct3D. You may want to check that the latest version of DirectX is correctly "
     L"installed on your system.  Also make sure that this program was compiled with header files that match "
     L"the "
     L"installed DirectX DLLs."},
    {FrameworkError::NoCompatibleDevices, 3, L"Could not find any compatible Direct3D devices."},
    {FrameworkError::MediaNotFound, 4,
     L"Could not find required media. Ensure that the media files are correctly installed."},
    {FrameworkError::NonZeroRefCount, 5,
     L"The D3D device has a non-zero reference count, meaning some objects were not released."},
    {FrameworkError::CreatingDevice, 6, L"Failed creating the Direct3D device."},
    {FrameworkError::ResettingDevice, 7, L"Failed resetting the Direct3D device."},
    {FrameworkError::CreatingDeviceObjects, 8, L"Failed creating Direct3D device objects."},
    {FrameworkError::ResettingDeviceObjects, 9, L"Failed resetting Direct3D device objects."},
    {FrameworkError::IncorrectVersion, 10, L"Incorrect version of Direct3D and/or D3DX."},
    {FrameworkError::SwitchedToRef, 0,
     L"Switching to the reference rasterizer,\na software device that implements the entire\nDirect3D "
     L"feature set, "
     L"but runs very slowly."},
};

constexpr const wchar_t* RemoteSessionText = L"Direct3D does not work over a remote session.";
constexpr int UnknownErrorExitCode = 1;

} // namespace

void Framework::ReportError(HRESULT code) {
    FrameworkState& state = FrameworkInternal::State();
    const ErrorEntry* entry = nullptr;
    for (const ErrorEntry& candidate : ErrorTable)
        if (candidate.code == code)
            entry = &candidate;
    state.exitCode = entry ? entry->exitCode : UnknownErrorExitCode;
    if (!entry || !state.showErrorBoxes)
        return;
    const wchar_t* text = entry->text;
    if (code == FrameworkError::NoCompatibleDevices && GetSystemMetrics(SM_REMOTESESSION) != 0)
        text = RemoteSessionText;
    wchar_t message[512];
    size_t length = std::min<size_t>(std::wcslen(text), std::size(message) - 1);
    std::wmemcpy(message, text, length);
    message[length] = L'\0';
    const wchar_t* caption = state.windowTitle[0] ? state.windowTitle : L"DirectX Application";
    MessageBoxW(Window(), message, caption, MB_ICONERROR | MB_OK);
}
