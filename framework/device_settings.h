#pragma once
// One complete device configuration, and the rules that say how a request for one is
// matched against what the hardware offers.

#include "platform/d3d9/d3d9_types.h"

struct DeviceSettings {
    UINT AdapterOrdinal;
    D3DDEVTYPE DeviceType;
    D3DFORMAT AdapterFormat;
    DWORD BehaviorFlags;
    D3DPRESENT_PARAMETERS pp;
};

enum class MatchRule : int {
    Ignore = 0,  // the requested value does not matter
    Keep = 1,    // the result must have exactly the requested value
    Closest = 2, // the result should be as near to the requested value as supported
};

struct MatchRules {
    MatchRule adapterOrdinal = MatchRule::Ignore;
    MatchRule deviceType = MatchRule::Ignore;
    MatchRule windowed = MatchRule::Ignore;
    MatchRule adapterFormat = MatchRule::Ignore;
    MatchRule vertexProcessing = MatchRule::Ignore;
    MatchRule resolution = MatchRule::Ignore;
    MatchRule backBufferFormat = MatchRule::Ignore;
    MatchRule backBufferCount = MatchRule::Ignore;
    MatchRule multiSample = MatchRule::Ignore;
    MatchRule swapEffect = MatchRule::Ignore;
    MatchRule depthFormat = MatchRule::Ignore;
    MatchRule stencilFormat = MatchRule::Ignore;
    MatchRule presentFlags = MatchRule::Ignore;
    MatchRule refreshRate = MatchRule::Ignore;
    MatchRule presentInterval = MatchRule::Ignore;
};
