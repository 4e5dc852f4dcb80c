// Turning a loose device request into complete settings the hardware supports: an ideal
// is derived from the request and its rules, every catalogue combination is scored
// against it, and the best one is filled in.
#include <algorithm>
#include <cstdlib>

#include "framework/device_catalogue.h"
#include "framework/framework_internal.h"

using FormatBits::ColorChannelBits;
using FormatBits::DepthBits;
using FormatBits::StencilBits;
using FrameworkInternal::State;

namespace {

constexpr UINT DefaultWindowedWidth = 640;
constexpr UINT DefaultWindowedHeight = 480;
constexpr UINT DefaultBackBufferCount = 2;
constexpr long long NoPenaltyYet = 100000;
constexpr long long KeepPenalty = 10000;
constexpr LONG WindowedWidthMargin = 20;
constexpr LONG WindowedHeightMargin = 100;
constexpr DWORD VertexProcessingMask = 0xE0;
constexpr DWORD HardwareOrMixed = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;

bool HasHardwareTnl(const FormatCombo& combo) {
    return (combo.deviceEntry->Caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
}

D3DDISPLAYMODE DesktopMode(IDirect3D9* direct3D, UINT adapter) {
    D3DDISPLAYMODE mode{};
    if (direct3D)
        direct3D->GetAdapterDisplayMode(adapter, &mode);
    return mode;
}

bool HasMode(const AdapterEntry& adapter, D3DFORMAT format, UINT width, UINT height) {
    for (const D3DDISPLAYMODE& mode : adapter.displayModes)
        if (mode.Format == format && mode.Width == width && mode.Height == height)
            return true;
    return false;
}

bool HasRefresh(const AdapterEntry& adapter, D3DFORMAT format, UINT refresh) {
    for (const D3DDISPLAYMODE& mode : adapter.displayModes)
        if (mode.Format == format && mode.RefreshRate == refresh)
            return true;
    return false;
}

// A quality level q exists for a type when the combo lists more than q levels.
bool HasMultiSample(const FormatCombo& combo, D3DMULTISAMPLE_TYPE type, DWORD quality) {
    for (size_t i = 0; i < combo.multiSampleTypes.size(); ++i)
        if (combo.multiSampleTypes[i] == type && combo.multiSampleQualityLevels[i] > quality)
            return true;
    return false;
}

template <typename T> bool Lists(const std::vector<T>& list, T value) {
    for (const T& item : list)
        if (item == value)
            return true;
    return false;
}

float FormatCloseness(D3DFORMAT a, D3DFORMAT b) {
    if (a == b)
        return 1.0f;
    int difference = std::abs(static_cast<int>(ColorChannelBits(a)) - static_cast<int>(ColorChannelBits(b)));
    float points = 0.9f - 0.2f * static_cast<float>(difference);
    return points > 0.0f ? points : 0.0f;
}

DeviceSettings IdealSettings(IDirect3D9* direct3D, const DeviceSettings& request, const MatchRules& rules) {
    DeviceSettings ideal{};
    ideal.AdapterOrdinal = rules.adapterOrdinal != MatchRule::Ignore ? request.AdapterOrdinal : 0;
    D3DDISPLAYMODE desktop = DesktopMode(direct3D, ideal.AdapterOrdinal);
    ideal.DeviceType = rules.deviceType != MatchRule::Ignore ? request.DeviceType : D3DDEVTYPE_HAL;
    ideal.pp.Windowed = rules.windowed != MatchRule::Ignore ? request.pp.Windowed : TRUE;
    if (rules.adapterFormat != MatchRule::Ignore)
        ideal.AdapterFormat = request.AdapterFormat;
    else if (ideal.pp.Windowed || ColorChannelBits(desktop.Format) >= 8)
        ideal.AdapterFormat = desktop.Format;
    else
        ideal.AdapterFormat = D3DFMT_X8R8G8B8;
    ideal.BehaviorFlags = rules.vertexProcessing != MatchRule::Ignore ? request.BehaviorFlags
                                                                      : D3DCREATE_HARDWARE_VERTEXPROCESSING;
    if (rules.resolution != MatchRule::Ignore) {
        ideal.pp.BackBufferWidth = request.pp.BackBufferWidth;
        ideal.pp.BackBufferHeight = request.pp.BackBufferHeight;
    } else if (ideal.pp.Windowed) {
        ideal.pp.BackBufferWidth = DefaultWindowedWidth;
        ideal.pp.BackBufferHeight = DefaultWindowedHeight;
    } else {
        ideal.pp.BackBufferWidth = desktop.Width;
        ideal.pp.BackBufferHeight = desktop.Height;
    }
    ideal.pp.BackBufferFormat =
        rules.backBufferFormat != MatchRule::Ignore ? request.pp.BackBufferFormat : ideal.AdapterFormat;
    ideal.pp.BackBufferCount =
        rules.backBufferCount != MatchRule::Ignore ? request.pp.BackBufferCount : DefaultBackBufferCount;
    ideal.pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    ideal.pp.MultiSampleQuality = rules.multiSample != MatchRule::Ignore ? request.pp.MultiSampleQuality : 0;
    ideal.pp.SwapEffect =
        rules.swapEffect != MatchRule::Ignore ? request.pp.SwapEffect : D3DSWAPEFFECT_DISCARD;
    if (rules.depthFormat == MatchRule::Ignore && rules.stencilFormat == MatchRule::Ignore)
        ideal.pp.AutoDepthStencilFormat =
            ColorChannelBits(ideal.pp.BackBufferFormat) < 8 ? D3DFMT_D16 : D3DFMT_D32;
    else
        ideal.pp.AutoDepthStencilFormat = request.pp.AutoDepthStencilFormat;
    ideal.pp.Flags =
        rules.presentFlags != MatchRule::Ignore ? request.pp.Flags : D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL;
    ideal.pp.FullScreen_RefreshRateInHz =
        rules.refreshRate != MatchRule::Ignore ? request.pp.FullScreen_RefreshRateInHz : 0;
    if (rules.presentInterval != MatchRule::Ignore)
        ideal.pp.PresentationInterval = request.pp.PresentationInterval;
    else
        ideal.pp.PresentationInterval =
            ideal.pp.Windowed ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_DEFAULT;
    return ideal;
}

bool PassesKeepRules(const FormatCombo& combo, const DeviceSettings& request, const MatchRules& rules) {
    const AdapterEntry& adapter = *combo.adapterEntry;
    const D3DPRESENT_PARAMETERS& pp = request.pp;
    if (rules.adapterOrdinal == MatchRule::Keep && combo.AdapterOrdinal != request.AdapterOrdinal)
        return false;
    if (rules.deviceType == MatchRule::Keep && combo.DeviceType != request.DeviceType)
        return false;
    if (rules.windowed == MatchRule::Keep && combo.Windowed != (pp.Windowed != FALSE))
        return false;
    if (rules.adapterFormat == MatchRule::Keep && combo.AdapterFormat != request.AdapterFormat)
        return false;
    if (rules.vertexProcessing == MatchRule::Keep &&
        (request.BehaviorFlags & D3DCREATE_HARDWARE_VERTEXPROCESSING) && !HasHardwareTnl(combo))
        return false;
    if (rules.resolution == MatchRule::Keep &&
        !HasMode(adapter, combo.AdapterFormat, pp.BackBufferWidth, pp.BackBufferHeight))
        return false;
    if (rules.backBufferFormat == MatchRule::Keep && combo.BackBufferFormat != pp.BackBufferFormat)
        return false;
    if (rules.multiSample == MatchRule::Keep &&
        !HasMultiSample(combo, pp.MultiSampleType, pp.MultiSampleQuality))
        return false;
    if (pp.AutoDepthStencilFormat != D3DFMT_UNKNOWN) {
        if (rules.depthFormat == MatchRule::Keep && rules.stencilFormat == MatchRule::Keep &&
            !Lists(combo.depthStencilFormats, pp.AutoDepthStencilFormat))
            return false;
        if (rules.depthFormat == MatchRule::Keep) {
            bool found = false;
            for (D3DFORMAT format : combo.depthStencilFormats)
                found = found || DepthBits(format) == DepthBits(pp.AutoDepthStencilFormat);
            if (!found)
                return false;
        }
        if (rules.stencilFormat == MatchRule::Keep) {
            bool found = false;
            for (D3DFORMAT format : combo.depthStencilFormats)
                found = found || StencilBits(format) == StencilBits(pp.AutoDepthStencilFormat);
            if (!found)
                return false;
        }
    }
    if (rules.refreshRate == MatchRule::Keep &&
        !HasRefresh(adapter, combo.AdapterFormat, pp.FullScreen_RefreshRateInHz))
        return false;
    if (rules.presentInterval == MatchRule::Keep && !Lists(combo.presentIntervals, pp.PresentationInterval))
        return false;
    return true;
}

float Score(const FormatCombo& combo, const DeviceSettings& ideal, const D3DDISPLAYMODE& desktop) {
    const AdapterEntry& adapter = *combo.adapterEntry;
    float score = 0.0f;
    if (combo.AdapterOrdinal == ideal.AdapterOrdinal)
        score += 1000.0f;
    if (combo.DeviceType == ideal.DeviceType)
        score += 100.0f;
    if (combo.DeviceType == D3DDEVTYPE_HAL)
        score += 0.1f;
    if (combo.Windowed == (ideal.pp.Windowed != FALSE))
        score += 10.0f;
    score += FormatCloseness(combo.AdapterFormat, ideal.AdapterFormat);
    if (!combo.Windowed) {
        D3DFORMAT preferred = ColorChannelBits(desktop.Format) >= 8 ? desktop.Format : D3DFMT_X8R8G8B8;
        if (combo.AdapterFormat == preferred)
            score += 0.1f;
    }
    if ((ideal.BehaviorFlags & HardwareOrMixed) && HasHardwareTnl(combo))
        score += 1.0f;
    if (HasHardwareTnl(combo))
        score += 0.1f;
    if (HasMode(adapter, combo.AdapterFormat, ideal.pp.BackBufferWidth, ideal.pp.BackBufferHeight))
        score += 1.0f;
    score += FormatCloseness(combo.BackBufferFormat, ideal.pp.BackBufferFormat);
    if (combo.AdapterFormat == combo.BackBufferFormat)
        score += 0.1f;
    if (HasMultiSample(combo, ideal.pp.MultiSampleType, ideal.pp.MultiSampleQuality))
        score += 1.0f;
    if (Lists(combo.depthStencilFormats, ideal.pp.AutoDepthStencilFormat))
        score += 1.0f;
    if (HasRefresh(adapter, combo.AdapterFormat, ideal.pp.FullScreen_RefreshRateInHz))
        score += 1.0f;
    if (Lists(combo.presentIntervals, ideal.pp.PresentationInterval))
        score += 1.0f;
    return score;
}

// The supported size nearest to the target; E_FAIL (target kept) when nothing is known.
HRESULT NearestResolution(IDirect3D9* direct3D, const FormatCombo& combo, D3DDISPLAYMODE target,
                          D3DDISPLAYMODE* result) {
    if (combo.Windowed) {
        // The desktop mode stands for the display settings registered for the adapter.
        D3DDISPLAYMODE desktop = DesktopMode(direct3D, combo.AdapterOrdinal);
        LONG maxWidth = static_cast<LONG>(desktop.Width) - WindowedWidthMargin;
        LONG maxHeight = static_cast<LONG>(desktop.Height) - WindowedHeightMargin;
        *result = target;
        result->Width =
            static_cast<UINT>(std::max<LONG>(1, std::min<LONG>(maxWidth, static_cast<LONG>(target.Width))));
        result->Height =
            static_cast<UINT>(std::max<LONG>(1, std::min<LONG>(maxHeight, static_cast<LONG>(target.Height))));
        return S_OK;
    }
    const D3DDISPLAYMODE* best = nullptr;
    long long bestDistance = NoPenaltyYet;
    for (const D3DDISPLAYMODE& mode : combo.adapterEntry->displayModes) {
        if (mode.Format != combo.AdapterFormat)
            continue;
        long long distance = std::llabs(static_cast<long long>(mode.Width) - target.Width) +
                             std::llabs(static_cast<long long>(mode.Height) - target.Height);
        if (distance == 0) {
            best = &mode;
            break;
        }
        if (distance < bestDistance) {
            best = &mode;
            bestDistance = distance;
        }
    }
    if (!best) {
        *result = target;
        return E_FAIL;
    }
    *result = D3DDISPLAYMODE{best->Width, best->Height, best->RefreshRate, combo.AdapterFormat};
    return S_OK;
}

D3DFORMAT ChooseDepthStencil(const FormatCombo& combo, const DeviceSettings& request,
                             const MatchRules& rules) {
    long long depthWanted = DepthBits(request.pp.AutoDepthStencilFormat);
    long long stencilWanted = StencilBits(request.pp.AutoDepthStencilFormat);
    long long colourBits = ColorChannelBits(combo.BackBufferFormat);
    D3DFORMAT best = D3DFMT_UNKNOWN;
    long long bestPenalty = NoPenaltyYet;
    for (D3DFORMAT format : combo.depthStencilFormats) {
        long long depth = DepthBits(format), stencil = StencilBits(format);
        long long penalty = 0;
        switch (rules.depthFormat) {
        case MatchRule::Keep:
            penalty = depth == depthWanted ? 0 : KeepPenalty;
            break;
        case MatchRule::Ignore:
            penalty = std::llabs(depth - 4 * colourBits);
            break;
        case MatchRule::Closest:
            penalty = std::llabs(depth - depthWanted);
            break;
        }
        switch (rules.stencilFormat) {
        case MatchRule::Keep:
            penalty += stencil != stencilWanted ? KeepPenalty : 0;
            break;
        case MatchRule::Ignore:
            penalty += stencil;
            break;
        case MatchRule::Closest:
            penalty += std::llabs(stencil - stencilWanted);
            break;
        }
        if (penalty < bestPenalty) {
            best = format;
            bestPenalty = penalty;
        }
    }
    return best;
}

UINT ChooseRefreshRate(const FormatCombo& combo, const DeviceSettings& request, const MatchRules& rules,
                       const D3DDISPLAYMODE& desktop, UINT width, UINT height) {
    if (combo.Windowed)
        return 0;
    if (rules.refreshRate == MatchRule::Keep)
        return request.pp.FullScreen_RefreshRateInHz;
    UINT target =
        rules.refreshRate == MatchRule::Closest ? request.pp.FullScreen_RefreshRateInHz : desktop.RefreshRate;
    if (target == 0)
        return 0;
    UINT best = 0;
    long long bestDistance = -1;
    for (const D3DDISPLAYMODE& mode : combo.adapterEntry->displayModes) {
        if (mode.Format != combo.AdapterFormat || mode.Width != width || mode.Height != height)
            continue;
        long long distance = std::llabs(static_cast<long long>(mode.RefreshRate) - target);
        if (distance == 0)
            return mode.RefreshRate;
        if (bestDistance < 0 || distance < bestDistance) {
            best = mode.RefreshRate;
            bestDistance = distance;
        }
    }
    return best;
}

DeviceSettings BuildSettings(IDirect3D9* direct3D, const FormatCombo& combo, const DeviceSettings& request,
                             const MatchRules& rules) {
    const D3DDISPLAYMODE desktop = DesktopMode(direct3D, combo.AdapterOrdinal);
    const D3DPRESENT_PARAMETERS& r = request.pp;
    DeviceSettings out{};
    out.AdapterOrdinal = combo.AdapterOrdinal;
    out.DeviceType = combo.DeviceType;
    out.AdapterFormat = combo.AdapterFormat;

    DWORD software = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    DWORD automatic = HasHardwareTnl(combo) ? D3DCREATE_HARDWARE_VERTEXPROCESSING : software;
    switch (rules.vertexProcessing) {
    case MatchRule::Keep:
        out.BehaviorFlags = request.BehaviorFlags;
        break;
    case MatchRule::Ignore:
        out.BehaviorFlags = automatic;
        break;
    case MatchRule::Closest:
        out.BehaviorFlags = request.BehaviorFlags;
        if (!HasHardwareTnl(combo) && (out.BehaviorFlags & HardwareOrMixed))
            out.BehaviorFlags = (out.BehaviorFlags & ~HardwareOrMixed) | software;
        if (!(out.BehaviorFlags & VertexProcessingMask))
            out.BehaviorFlags |= automatic;
        break;
    }

    if (rules.resolution == MatchRule::Keep) {
        out.pp.BackBufferWidth = r.BackBufferWidth;
        out.pp.BackBufferHeight = r.BackBufferHeight;
    } else {
        D3DDISPLAYMODE target{desktop.Width, desktop.Height, desktop.RefreshRate, desktop.Format};
        if (rules.resolution == MatchRule::Closest && r.BackBufferWidth != 0) {
            target.Width = r.BackBufferWidth;
            target.Height = r.BackBufferHeight;
        } else if (combo.Windowed) {
            target.Width = DefaultWindowedWidth;
            target.Height = DefaultWindowedHeight;
        }
        D3DDISPLAYMODE chosen{};
        NearestResolution(direct3D, combo, target, &chosen); // a miss keeps the target
        out.pp.BackBufferWidth = chosen.Width;
        out.pp.BackBufferHeight = chosen.Height;
    }
    out.pp.BackBufferFormat = combo.BackBufferFormat;

    switch (rules.backBufferCount) {
    case MatchRule::Keep:
        out.pp.BackBufferCount = r.BackBufferCount;
        break;
    case MatchRule::Ignore:
        out.pp.BackBufferCount = DefaultBackBufferCount;
        break;
    case MatchRule::Closest:
        out.pp.BackBufferCount = std::min<UINT>(3, std::max<UINT>(1, r.BackBufferCount));
        break;
    }

    out.pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    out.pp.MultiSampleQuality = 0;
    if (r.SwapEffect == D3DSWAPEFFECT_DISCARD) {
        if (rules.multiSample == MatchRule::Keep) {
            out.pp.MultiSampleType = r.MultiSampleType;
            out.pp.MultiSampleQuality = r.MultiSampleQuality;
        } else if (rules.multiSample == MatchRule::Closest && !combo.multiSampleTypes.empty()) {
            D3DMULTISAMPLE_TYPE largest = combo.multiSampleTypes.back();
            if (r.MultiSampleType > largest) {
                out.pp.MultiSampleType = largest;
            } else {
                out.pp.MultiSampleType = r.MultiSampleType;
                DWORD levels = 0;
                for (size_t i = 0; i < combo.multiSampleTypes.size(); ++i)
                    if (combo.multiSampleTypes[i] == r.MultiSampleType)
                        levels = combo.multiSampleQualityLevels[i];
                out.pp.MultiSampleQuality = std::min(r.MultiSampleQuality, levels);
            }
        }
    }

    switch (rules.swapEffect) {
    case MatchRule::Keep:
        out.pp.SwapEffect = r.SwapEffect;
        break;
    case MatchRule::Ignore:
        out.pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        break;
    case MatchRule::Closest:
        out.pp.SwapEffect = (r.SwapEffect == D3DSWAPEFFECT_DISCARD || r.SwapEffect == D3DSWAPEFFECT_FLIP ||
                             r.SwapEffect == D3DSWAPEFFECT_COPY)
                                ? r.SwapEffect
                                : D3DSWAPEFFECT_DISCARD;
        break;
    }

    out.pp.AutoDepthStencilFormat = ChooseDepthStencil(combo, request, rules);
    out.pp.EnableAutoDepthStencil = out.pp.AutoDepthStencilFormat != D3DFMT_UNKNOWN;

    DWORD discardDepth = out.pp.EnableAutoDepthStencil ? D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0;
    switch (rules.presentFlags) {
    case MatchRule::Keep:
        out.pp.Flags = r.Flags;
        break;
    case MatchRule::Ignore:
        out.pp.Flags = discardDepth;
        break;
    case MatchRule::Closest:
        out.pp.Flags = r.Flags | discardDepth;
        break;
    }

    out.pp.FullScreen_RefreshRateInHz =
        ChooseRefreshRate(combo, request, rules, desktop, out.pp.BackBufferWidth, out.pp.BackBufferHeight);

    UINT defaultInterval = combo.Windowed ? D3DPRESENT_INTERVAL_IMMEDIATE : D3DPRESENT_INTERVAL_DEFAULT;
    if (rules.presentInterval == MatchRule::Keep)
        out.pp.PresentationInterval = r.PresentationInterval;
    else if (rules.presentInterval == MatchRule::Closest &&
             Lists(combo.presentIntervals, r.PresentationInterval))
        out.pp.PresentationInterval = r.PresentationInterval;
    else
        out.pp.PresentationInterval = defaultInterval;

    out.pp.hDeviceWindow = combo.Windowed ? State().windowedWindow : State().fullScreenWindow;
    out.pp.Windowed = combo.Windowed ? TRUE : FALSE;
    return out;
}

} // namespace

HRESULT Framework::FindDeviceSettings(DeviceSettings* output, const DeviceSettings* request,
                                      const MatchRules* rulesOrNull) {
    if (!output)
        return E_INVALIDARG;
    DeviceSettings cleared{};
    const DeviceSettings& wanted = request ? *request : cleared;
    MatchRules rules = rulesOrNull ? *rulesOrNull : MatchRules{};
    DeviceCatalogue* catalogue = DeviceCatalogue::Get(false, State().acceptDevice);
    IDirect3D9* direct3D = catalogue->direct3D;
    DeviceSettings ideal = IdealSettings(direct3D, wanted, rules);

    const FormatCombo* best = nullptr;
    float bestScore = -1.0f;
    for (const AdapterEntry& adapter : catalogue->Adapters()) {
        D3DDISPLAYMODE desktop = DesktopMode(direct3D, adapter.AdapterOrdinal);
        for (const DeviceEntry& device : adapter.devices)
            for (const FormatCombo& combo : device.combos) {
                if (combo.Windowed && combo.AdapterFormat != desktop.Format)
                    continue;
                if (!PassesKeepRules(combo, wanted, rules))
                    continue;
                float score = Score(combo, ideal, desktop);
                if (score > bestScore) {
                    best = &combo;
                    bestScore = score;
                }
            }
    }
    if (!best)
        return FrameworkError::NoCompatibleDevices;
    *output = BuildSettings(direct3D, *best, wanted, rules);
    return S_OK;
}

void FrameworkInternal::ApplyOverridesToRequest(DeviceSettings* request, MatchRules* rules) {
    const CommandLineOverrides& o = State().overrides;
    if (o.overrideWidth > 0)
        request->pp.BackBufferWidth = static_cast<UINT>(o.overrideWidth);
    if (o.overrideHeight > 0)
        request->pp.BackBufferHeight = static_cast<UINT>(o.overrideHeight);
    if (o.overrideAdapter >= 0)
        request->AdapterOrdinal = static_cast<UINT>(o.overrideAdapter);
    if (o.overrideFullScreen) {
        request->pp.Windowed = FALSE;
        if (o.overrideWidth <= 0 && o.overrideHeight <= 0)
            rules->resolution = MatchRule::Ignore;
    }
    if (o.overrideWindowed)
        request->pp.Windowed = TRUE;
    if (o.overrideForceHal) {
        request->DeviceType = D3DDEVTYPE_HAL;
        rules->deviceType = MatchRule::Keep;
    }
    if (o.overrideForceRef) {
        request->DeviceType = D3DDEVTYPE_REF;
        rules->deviceType = MatchRule::Keep;
    }
    if (o.overrideForcePureHwvp) {
        request->BehaviorFlags = D3DCREATE_PUREDEVICE | D3DCREATE_HARDWARE_VERTEXPROCESSING;
        rules->vertexProcessing = MatchRule::Keep;
    } else if (o.overrideForceHwvp) {
        request->BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        rules->vertexProcessing = MatchRule::Keep;
    } else if (o.overrideForceSwvp) {
        request->BehaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        rules->vertexProcessing = MatchRule::Keep;
    }
}

void FrameworkInternal::ApplyOverridesToSettings(DeviceSettings* settings) {
    const CommandLineOverrides& o = State().overrides;
    if (o.overrideAdapter >= 0)
        settings->AdapterOrdinal = static_cast<UINT>(o.overrideAdapter);
    if (o.overrideFullScreen)
        settings->pp.Windowed = FALSE;
    if (o.overrideWindowed)
        settings->pp.Windowed = TRUE;
    if (o.overrideForceRef)
        settings->DeviceType = D3DDEVTYPE_REF;
    else if (o.overrideForceHal)
        settings->DeviceType = D3DDEVTYPE_HAL;
    if (o.overrideWidth > 0)
        settings->pp.BackBufferWidth = static_cast<UINT>(o.overrideWidth);
    if (o.overrideHeight > 0)
        settings->pp.BackBufferHeight = static_cast<UINT>(o.overrideHeight);
    constexpr DWORD Pure = D3DCREATE_PUREDEVICE, Hw = D3DCREATE_HARDWARE_VERTEXPROCESSING,
                    Sw = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (o.overrideForcePureHwvp)
        settings->BehaviorFlags = (settings->BehaviorFlags & ~Sw) | Pure | Hw;
    else if (o.overrideForceHwvp)
        settings->BehaviorFlags = (settings->BehaviorFlags & ~(Pure | Sw)) | Hw;
    else if (o.overrideForceSwvp)
        settings->BehaviorFlags = (settings->BehaviorFlags & ~(Pure | Hw)) | Sw;
}

HRESULT Framework::CreateDevice(UINT adapterOrdinal, bool windowed, int suggestedWidth, int suggestedHeight,
                                AcceptDeviceCallback acceptDevice, AdjustSettingsCallback adjustSettings) {
    FrameworkState& state = State();
    if (state.insideDeviceCallback)
        return E_FAIL;
    state.acceptDevice = acceptDevice;
    state.adjustSettings = adjustSettings;
    state.deviceCreateCalled = true;
    if (!state.windowCreated) {
        if (state.windowCreateCalled)
            return E_FAIL;
        HRESULT hr = OpenWindow(L"Direct3D Window", nullptr, nullptr, nullptr, CW_USEDEFAULT, CW_USEDEFAULT);
        if (FAILED(hr))
            return hr;
    }
    state.catalogue = DeviceCatalogue::Get(true, acceptDevice);

    DeviceSettings request{};
    request.AdapterOrdinal = adapterOrdinal;
    request.pp.Windowed = windowed ? TRUE : FALSE;
    request.pp.BackBufferWidth = static_cast<UINT>(std::max(0, suggestedWidth));
    request.pp.BackBufferHeight = static_cast<UINT>(std::max(0, suggestedHeight));
    MatchRules rules;
    rules.adapterOrdinal = MatchRule::Keep;
    rules.windowed = MatchRule::Keep;
    rules.resolution = MatchRule::Closest;
    FrameworkInternal::ApplyOverridesToRequest(&request, &rules);

    DeviceSettings settings{};
    HRESULT hr = FindDeviceSettings(&settings, &request, &rules);
    if (FAILED(hr)) {
        ReportError(hr);
        return hr;
    }
    if (adjustSettings) {
        D3DCAPS9 caps{};
        state.direct3D->GetDeviceCaps(settings.AdapterOrdinal, settings.DeviceType, &caps);
        adjustSettings(&settings, &caps);
    }
    hr = ChangeDevice(&settings, nullptr, false);
    return FAILED(hr) ? hr : S_OK;
}
