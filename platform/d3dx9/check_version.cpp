#include "platform/d3dx9/d3dx9.h"

// The application must have been built against the Direct3D and D3DX headers this layer
// implements.
BOOL D3DXCheckVersion(UINT d3dSdkVersion, UINT d3dxSdkVersion) {
    return (d3dSdkVersion == D3D_SDK_VERSION && d3dxSdkVersion == D3DX_SDK_VERSION) ? TRUE : FALSE;
}
