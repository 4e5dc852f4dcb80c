#pragma once
// Mesa's software rasteriser as an EGL display of its own: the GL of the reference device.
// The browser has no such device; its build answers that there is none.

#ifdef __EMSCRIPTEN__
#include <EGL/egl.h>
#else
#include <epoxy/egl.h>
#endif

// The display of the one EGL device that says it is software, initialised; EGL_NO_DISPLAY
// when there is none.
EGLDisplay OpenSoftwareDisplay();

// A surfaceless 3.3 core context on that display, sharing with `share`; EGL_NO_CONTEXT on failure.
EGLContext CreateSoftwareContext(EGLDisplay display, EGLContext share);
