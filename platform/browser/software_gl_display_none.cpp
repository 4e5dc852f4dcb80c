#include "platform/d3d9/software_gl_display.h"

// The page has one GL, the browser's WebGL 2: no separate software device to open.
EGLDisplay OpenSoftwareDisplay() {
    return EGL_NO_DISPLAY;
}

EGLContext CreateSoftwareContext(EGLDisplay, EGLContext) {
    return EGL_NO_CONTEXT;
}
