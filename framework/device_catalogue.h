#pragma once
// Every adapter, device type and format combination the system offers and the application
// accepts, enumerated through the Direct3D object.

#include <vector>

#include "framework/framework_callbacks.h"
#include "platform/d3d9/d3d9.h"

struct AdapterEntry;
struct DeviceEntry;

struct FormatCombo {
    UINT AdapterOrdinal = 0;
    D3DDEVTYPE DeviceType = D3DDEVTYPE_HAL;
    D3DFORMAT AdapterFormat = D3DFMT_UNKNOWN;
    D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
    bool Windowed = false;
    std::vector<D3DFORMAT> depthStencilFormats;
    std::vector<D3DMULTISAMPLE_TYPE> multiSampleTypes;
    std::vector<DWORD> multiSampleQualityLevels;
    std::vector<UINT> presentIntervals;
    AdapterEntry* adapterEntry = nullptr;
    DeviceEntry* deviceEntry = nullptr;
};

struct DeviceEntry {
    UINT AdapterOrdinal = 0;
    D3DDEVTYPE DeviceType = D3DDEVTYPE_HAL;
    D3DCAPS9 Caps{};
    std::vector<FormatCombo> combos;
};

struct AdapterEntry {
    UINT AdapterOrdinal = 0;
    D3DADAPTER_IDENTIFIER9 AdapterIdentifier{};
    std::vector<D3DDISPLAYMODE> displayModes;
    std::vector<D3DFORMAT> adapterFormats;
    std::vector<DeviceEntry> devices;
};

class DeviceCatalogue {
  public:
    // Rebuilds the catalogue from the given Direct3D object (or the framework's).
    HRESULT Enumerate(IDirect3D9* direct3D, AcceptDeviceCallback acceptDevice);

    const std::vector<AdapterEntry>& Adapters() const { return adapters; }
    const AdapterEntry* Adapter(UINT ordinal) const;

    // The global catalogue: created and enumerated on first use; `rebuild` enumerates again.
    static DeviceCatalogue* Get(bool rebuild, AcceptDeviceCallback acceptDevice);
    // Frees the global catalogue (tests only).
    static void Reset();

    IDirect3D9* direct3D = nullptr;
    AcceptDeviceCallback acceptDevice = nullptr;
    bool requirePostPixelShaderBlending = true;
    UINT minWidth = 0;
    UINT maxWidth = 0xFFFFFFFFu;
    UINT minHeight = 0;
    UINT maxHeight = 0xFFFFFFFFu;
    UINT minRefresh = 0;
    UINT maxRefresh = 0xFFFFFFFFu;
    UINT maxMultiSampleQuality = 0xFFFF;

  private:
    void BuildCombos(AdapterEntry* adapter, DeviceEntry* device);
    std::vector<AdapterEntry> adapters;
};

// Format helpers shared by enumeration and matching.
namespace FormatBits {
UINT ColorChannelBits(D3DFORMAT format);
UINT DepthBits(D3DFORMAT format);
UINT StencilBits(D3DFORMAT format);
} // namespace FormatBits
