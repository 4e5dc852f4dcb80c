#pragma once
// The framework's own result codes. Framework::ReportError maps each to an exit code.

#include "platform/win32/windows_types.h"

namespace FrameworkError {

constexpr HRESULT NoDirect3D = static_cast<HRESULT>(0x80040901u);
constexpr HRESULT NoCompatibleDevices = static_cast<HRESULT>(0x80040902u);
constexpr HRESULT MediaNotFound = static_cast<HRESULT>(0x80040903u);
constexpr HRESULT NonZeroRefCount = static_cast<HRESULT>(0x80040904u);
constexpr HRESULT CreatingDevice = static_cast<HRESULT>(0x80040905u);
constexpr HRESULT ResettingDevice = static_cast<HRESULT>(0x80040906u);
constexpr HRESULT CreatingDeviceObjects = static_cast<HRESULT>(0x80040907u);
constexpr HRESULT ResettingDeviceObjects = static_cast<HRESULT>(0x80040908u);
constexpr HRESULT IncorrectVersion = static_cast<HRESULT>(0x80040909u);
constexpr HRESULT SwitchedToRef = static_cast<HRESULT>(0x80041001u);

} // namespace FrameworkError
