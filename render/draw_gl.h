#pragma once
// What the OpenGL back end offers beyond the drawing table: the renderer's
// name, by which the program tells whether GL itself rasterises in software,
// and the showing of a software framebuffer through GL.
#include "render/soft_framebuffer.h"

// GL_RENDERER of the current context; "" without one.
const char* glRendererName();
// Whether the current context can show software frames (it has framebuffer
// blits); readies presentSoftFrame for it. Asked once for every new context.
bool glCanPresentSoftFrames();
// Puts the framebuffer on the window's back buffer exactly, pixel for pixel:
// one texture upload and one framebuffer blit, which is a plain copy where
// the bytes are in the window's order (fb.bgra).
void presentSoftFrame(const SoftFramebuffer& fb);
