#include "platform/d3d9/software_gl_display.h"

#include <cstring>
#include <vector>

namespace {

bool HasExtension(const char* list, const char* name) {
    if (list == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at != nullptr; at = std::strstr(at + 1, name)) {
        const bool starts = at == list || at[-1] == ' ';
        const bool ends = at[length] == '\0' || at[length] == ' ';
        if (starts && ends) {
            return true;
        }
    }
    return false;
}

} // namespace

// Found by EGL device enumeration (EGL_MESA_device_software), whatever GPUs the machine has.
EGLDisplay OpenSoftwareDisplay() {
    if (!epoxy_has_egl()) {
        return EGL_NO_DISPLAY;
    }
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(client, "EGL_EXT_device_enumeration") ||
        !HasExtension(client, "EGL_EXT_platform_device")) {
        return EGL_NO_DISPLAY;
    }
    EGLint count = 0;
    if (eglQueryDevicesEXT(0, nullptr, &count) != EGL_TRUE || count <= 0) {
        return EGL_NO_DISPLAY;
    }
    std::vector<EGLDeviceEXT> devices(static_cast<std::size_t>(count));
    if (eglQueryDevicesEXT(count, devices.data(), &count) != EGL_TRUE) {
        return EGL_NO_DISPLAY;
    }
    for (EGLint i = 0; i < count; ++i) {
        if (!HasExtension(eglQueryDeviceStringEXT(devices[static_cast<std::size_t>(i)], EGL_EXTENSIONS),
                          "EGL_MESA_device_software")) {
            continue;
        }
        EGLDisplay display =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[static_cast<std::size_t>(i)], nullptr);
        EGLint major = 0;
        EGLint minor = 0;
        if (display == EGL_NO_DISPLAY || eglInitialize(display, &major, &minor) != EGL_TRUE) {
            continue;
        }
        const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
        if (HasExtension(extensions, "EGL_KHR_surfaceless_context") &&
            HasExtension(extensions, "EGL_KHR_no_config_context")) {
            return display;
        }
        eglTerminate(display);
    }
    return EGL_NO_DISPLAY;
}

EGLContext CreateSoftwareContext(EGLDisplay display, EGLContext share) {
    if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        return EGL_NO_CONTEXT;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    return eglCreateContext(display, EGL_NO_CONFIG_KHR, share, attributes);
}
