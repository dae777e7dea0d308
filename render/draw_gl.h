#pragma once
// What the OpenGL back end offers beyond the drawing table: the renderer's
// name, by which the program tells whether GL itself rasterises in software,
// and the showing of a software framebuffer through GL.
#include "render/soft_framebuffer.h"

// GL_RENDERER of the current context; "" without one.
const char* glRendererName();
// Readies the current context to show software frames of width x height in
// the byte order bgra says: framebuffer blits (OpenGL 3.0, or the extension),
// a texture of that size shown by a read framebuffer, and no GL error on the
// way. False when any of it is missing: the context then draws with GL itself.
// Asked once for every new context.
bool glPrepareSoftFrames(int width, int height, bool bgra);
// Puts the framebuffer on the window's back buffer exactly, pixel for pixel:
// one texture upload and one framebuffer blit, which is a plain copy where
// the bytes are in the window's order (fb.bgra).
void presentSoftFrame(const SoftFramebuffer& fb);
