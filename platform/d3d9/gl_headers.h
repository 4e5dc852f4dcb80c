#pragma once
// GL through libepoxy, then SDL (whose GL header must come second). Only the OpenGL
// device's own files include this.

#include <epoxy/gl.h>

#include <SDL.h>
