#pragma once
// Which back end draws the live frames. Where GL's renderer rasterises on the
// processor itself (Mesa's llvmpipe, softpipe, swrast), the software
// framebuffer on all cores and one texture upload a frame is faster than
// thousands of GL quads; a graphics card gets GL.

// choice: the value of VORTELAN_DRAW (null when unset): "gl" or "soft" force
// that back end, anything else leaves it to the renderer's name (GL_RENDERER).
bool drawInSoftware(const char* choice, const char* renderer);
// False for a value that is set but neither "gl" nor "soft" (in any case),
// which the program then tells the user about.
bool drawChoiceKnown(const char* choice);
