// Enumeration of adapters, display modes, device types and format combinations.
#include "framework/device_catalogue.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "framework/framework_internal.h"

namespace {

constexpr D3DFORMAT AllowedAdapterFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_X1R5G5B5, D3DFMT_R5G6B5,
                                               D3DFMT_A2R10G10B10};
constexpr D3DDEVTYPE DeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_SW, D3DDEVTYPE_REF};
constexpr D3DFORMAT BackBufferFormats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10,
                                           D3DFMT_R5G6B5,   D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5};
constexpr D3DFORMAT DepthStencilCandidates[] = {D3DFMT_D16,   D3DFMT_D15S1,   D3DFMT_D24X8,
                                                D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D32};
constexpr DWORD MaxMultiSampleType = 16;
constexpr UINT PresentIntervalCandidates[] = {D3DPRESENT_INTERVAL_IMMEDIATE, D3DPRESENT_INTERVAL_DEFAULT,
                                              D3DPRESENT_INTERVAL_ONE,       D3DPRESENT_INTERVAL_TWO,
                                              D3DPRESENT_INTERVAL_THREE,     D3DPRESENT_INTERVAL_FOUR};

DeviceCatalogue* globalCatalogue = nullptr;

bool ModeLess(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
    if (a.Width != b.Width)
        return a.Width < b.Width;
    if (a.Height != b.Height)
        return a.Height < b.Height;
    if (a.Format != b.Format)
        return a.Format < b.Format;
    return a.RefreshRate < b.RefreshRate;
}

template <typename T> bool Contains(const std::vector<T>& list, T value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

namespace FormatBits {

UINT ColorChannelBits(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_R8G8B8:
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
        return 8;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        return 5;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        return 4;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8R3G3B2:
        return 2;
    case D3DFMT_A2B10G10R10:
    case D3DFMT_A2R10G10B10:
        return 10;
    case D3DFMT_A16B16G16R16:
        return 16;
    default:
        return 0;
    }
}

UINT DepthBits(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D16:
        return 16;
    case D3DFMT_D32:
    case D3DFMT_D32F_LOCKABLE:
        return 32;
    case D3DFMT_D15S1:
        return 15;
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D24FS8:
        return 24;
    default:
        return 0;
    }
}

UINT StencilBits(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_D15S1:
        return 1;
    case D3DFMT_D24S8:
    case D3DFMT_D24FS8:
        return 8;
    case D3DFMT_D24X4S4:
        return 4;
    default:
        return 0;
    }
}

} // namespace FormatBits

const AdapterEntry* DeviceCatalogue::Adapter(UINT ordinal) const {
    for (const AdapterEntry& adapter : adapters)
        if (adapter.AdapterOrdinal == ordinal)
            return &adapter;
    return nullptr;
}

DeviceCatalogue* DeviceCatalogue::Get(bool rebuild, AcceptDeviceCallback acceptDevice) {
    bool fresh = !globalCatalogue;
    if (fresh)
        globalCatalogue = new DeviceCatalogue; // freed only when the process ends
    if (fresh || rebuild)
        globalCatalogue->Enumerate(nullptr, acceptDevice);
    return globalCatalogue;
}

void DeviceCatalogue::Reset() {
    delete globalCatalogue;
    globalCatalogue = nullptr;
}

HRESULT DeviceCatalogue::Enumerate(IDirect3D9* source, AcceptDeviceCallback accept) {
    direct3D = source ? source : Framework::Direct3D();
    adapters.clear();
    acceptDevice = accept;
    if (!direct3D)
        return FrameworkError::NoDirect3D;
    try {
        UINT adapterCount = direct3D->GetAdapterCount();
        for (UINT ordinal = 0; ordinal < adapterCount; ++ordinal) {
            AdapterEntry adapter;
            adapter.AdapterOrdinal = ordinal;
            direct3D->GetAdapterIdentifier(ordinal, 0, &adapter.AdapterIdentifier);
            for (D3DFORMAT format : AllowedAdapterFormats) {
                UINT modeCount = direct3D->GetAdapterModeCount(ordinal, format);
                for (UINT mode = 0; mode < modeCount; ++mode) {
                    D3DDISPLAYMODE displayMode{};
                    if (FAILED(direct3D->EnumAdapterModes(ordinal, format, mode, &displayMode)))
                        continue;
                    // A mode without a size (some headless displays list one) cannot be used.
                    if (displayMode.Width == 0 || displayMode.Height == 0)
                        continue;
                    if (displayMode.Width < minWidth || displayMode.Width > maxWidth ||
                        displayMode.Height < minHeight || displayMode.Height > maxHeight ||
                        displayMode.RefreshRate < minRefresh || displayMode.RefreshRate > maxRefresh)
                        continue;
                    adapter.displayModes.push_back(displayMode);
                    if (!Contains(adapter.adapterFormats, displayMode.Format))
                        adapter.adapterFormats.push_back(displayMode.Format);
                }
            }
            D3DDISPLAYMODE desktop{};
            if (SUCCEEDED(direct3D->GetAdapterDisplayMode(ordinal, &desktop))) {
                if (!Contains(adapter.adapterFormats, desktop.Format))
                    adapter.adapterFormats.push_back(desktop.Format);
                // The desktop mode is always a usable full-screen mode, even where the
                // display lists none (the headless offscreen display).
                bool listed = false;
                for (const D3DDISPLAYMODE& mode : adapter.displayModes)
                    listed = listed || (mode.Width == desktop.Width && mode.Height == desktop.Height &&
                                        mode.Format == desktop.Format);
                bool allowed = std::find(std::begin(AllowedAdapterFormats), std::end(AllowedAdapterFormats),
                                         desktop.Format) != std::end(AllowedAdapterFormats);
                if (!listed && allowed && desktop.Width > 0 && desktop.Height > 0)
                    adapter.displayModes.push_back(desktop);
            }
            std::sort(adapter.displayModes.begin(), adapter.displayModes.end(), ModeLess);

            for (D3DDEVTYPE type : DeviceTypes) {
                DeviceEntry device;
                device.AdapterOrdinal = ordinal;
                device.DeviceType = type;
                if (FAILED(direct3D->GetDeviceCaps(ordinal, type, &device.Caps)))
                    continue;
                BuildCombos(&adapter, &device);
                if (!device.combos.empty())
                    adapter.devices.push_back(std::move(device));
            }
            if (!adapter.devices.empty())
                adapters.push_back(std::move(adapter));
        }
    } catch (const std::bad_alloc&) {
        adapters.clear();
        return E_OUTOFMEMORY;
    }
    // The back references point into the finished lists.
    for (AdapterEntry& adapter : adapters)
        for (DeviceEntry& device : adapter.devices)
            for (FormatCombo& combo : device.combos) {
                combo.adapterEntry = &adapter;
                combo.deviceEntry = &device;
            }
    return S_OK;
}

void DeviceCatalogue::BuildCombos(AdapterEntry* adapter, DeviceEntry* device) {
    UINT ordinal = adapter->AdapterOrdinal;
    D3DDEVTYPE type = device->DeviceType;
    for (D3DFORMAT adapterFormat : adapter->adapterFormats)
        for (D3DFORMAT backBufferFormat : BackBufferFormats)
            for (bool windowed : {false, true}) {
                if (!windowed && adapter->displayModes.empty())
                    continue;
                if (FAILED(
                        direct3D->CheckDeviceType(ordinal, type, adapterFormat, backBufferFormat, windowed)))
                    continue;
                if (requirePostPixelShaderBlending &&
                    FAILED(direct3D->CheckDeviceFormat(ordinal, type, adapterFormat,
                                                       D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING,
                                                       D3DRTYPE_TEXTURE, backBufferFormat)))
                    continue;
                if (acceptDevice && !acceptDevice(&device->Caps, adapterFormat, backBufferFormat, windowed))
                    continue;
                FormatCombo combo;
                combo.AdapterOrdinal = ordinal;
                combo.DeviceType = type;
                combo.AdapterFormat = adapterFormat;
                combo.BackBufferFormat = backBufferFormat;
                combo.Windowed = windowed;
                for (D3DFORMAT depth : DepthStencilCandidates)
                    if (SUCCEEDED(direct3D->CheckDeviceFormat(
                            ordinal, type, adapterFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth)) &&
                        SUCCEEDED(direct3D->CheckDepthStencilMatch(ordinal, type, adapterFormat,
                                                                   backBufferFormat, depth)))
                        combo.depthStencilFormats.push_back(depth);
                for (DWORD sampleType = 0; sampleType <= MaxMultiSampleType; ++sampleType) {
                    DWORD levels = 0;
                    auto multiSample = static_cast<D3DMULTISAMPLE_TYPE>(sampleType);
                    if (FAILED(direct3D->CheckDeviceMultiSampleType(ordinal, type, backBufferFormat, windowed,
                                                                    multiSample, &levels)))
                        continue;
                    combo.multiSampleTypes.push_back(multiSample);
                    combo.multiSampleQualityLevels.push_back(
                        std::min<DWORD>(levels, maxMultiSampleQuality + 1));
                }
                if (combo.multiSampleTypes.empty())
                    continue;
                for (UINT interval : PresentIntervalCandidates) {
                    if (windowed &&
                        (interval == D3DPRESENT_INTERVAL_TWO || interval == D3DPRESENT_INTERVAL_THREE ||
                         interval == D3DPRESENT_INTERVAL_FOUR))
                        continue;
                    if (interval == D3DPRESENT_INTERVAL_DEFAULT ||
                        (device->Caps.PresentationIntervals & interval))
                        combo.presentIntervals.push_back(interval);
                }
                device->combos.push_back(std::move(combo));
            }
}
