#include "platform/d3d9/gl_interop.h"

#include "platform/d3d9/cube_texture.h"
#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/texture.h"
#include "platform/d3d9/tracing_device.h"

namespace {

// The GL device behind a device pointer, looking through a tracing decorator.
GlDevice* GlDeviceOf(IDirect3DDevice9* device) {
    if (auto* tracing = dynamic_cast<TracingDevice*>(device)) {
        device = tracing->Inner();
    }
    return dynamic_cast<GlDevice*>(device);
}

} // namespace

namespace GlInterop {

bool IsGlDevice(IDirect3DDevice9* device) {
    return GlDeviceOf(device) != nullptr;
}

void MakeCurrent(IDirect3DDevice9* device) {
    if (device == nullptr) {
        GlShareRoot::MakeRootCurrent();
    } else if (GlDevice* gl = GlDeviceOf(device)) {
        gl->MakeCurrent();
    }
}

void UseProgram(IDirect3DDevice9* device, unsigned program) {
    if (GlDevice* gl = GlDeviceOf(device)) {
        gl->MakeCurrent();
        gl->UseExternalProgram(program);
        if (program != 0) {
            glUseProgram(program);
        }
    }
}

unsigned TextureName(IDirect3DBaseTexture9* texture, unsigned* target) {
    if (auto* t = dynamic_cast<GlTexture*>(texture)) {
        if (target != nullptr) {
            *target = GL_TEXTURE_2D;
        }
        return t->Storage().Name();
    }
    if (auto* c = dynamic_cast<GlCubeTexture*>(texture)) {
        if (target != nullptr) {
            *target = GL_TEXTURE_CUBE_MAP;
        }
        return c->Storage().Name();
    }
    if (target != nullptr) {
        *target = 0;
    }
    return 0;
}

static_assert(ShareGroupCount == glShareGroupCount);

int CurrentShareGroup() {
    return GroupIndex(GlShareRoot::CurrentGroup());
}

void InShareGroup(int group, const std::function<void()>& work) {
    GlShareRoot::InGroup(static_cast<GlShareGroup>(group), work);
}

bool ClipControlActive(IDirect3DDevice9* device) {
    GlDevice* gl = GlDeviceOf(device);
    return gl != nullptr && gl->ClipControlActive();
}

} // namespace GlInterop
