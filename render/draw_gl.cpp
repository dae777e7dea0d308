// The drawing interface on OpenGL 1.1: the GL entry points themselves, and
// the software framebuffer shown through GL.
#include "render/draw.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "platform/window.h"
#include "render/draw_gl.h"

// The interface's types and values are GL's own, so the table needs no glue.
static_assert(std::is_same_v<DrawEnum, GLenum> && std::is_same_v<DrawBits, GLbitfield>);
static_assert(std::is_same_v<GLint, int> && std::is_same_v<GLsizei, int> && std::is_same_v<GLuint, unsigned> &&
              std::is_same_v<GLfloat, float> && std::is_same_v<GLclampf, float> &&
              std::is_same_v<GLbyte, signed char>);
static_assert(DRAW_QUADS == GL_QUADS && DRAW_DEPTH_BUFFER_BIT == GL_DEPTH_BUFFER_BIT &&
              DRAW_COLOR_BUFFER_BIT == GL_COLOR_BUFFER_BIT && DRAW_ZERO == GL_ZERO && DRAW_ONE == GL_ONE &&
              DRAW_SRC_ALPHA == GL_SRC_ALPHA && DRAW_ONE_MINUS_SRC_ALPHA == GL_ONE_MINUS_SRC_ALPHA &&
              DRAW_BLEND == GL_BLEND && DRAW_TEXTURE_2D == GL_TEXTURE_2D &&
              DRAW_UNSIGNED_BYTE == GL_UNSIGNED_BYTE && DRAW_RGBA == GL_RGBA && DRAW_NEAREST == GL_NEAREST &&
              DRAW_TEXTURE_MAG_FILTER == GL_TEXTURE_MAG_FILTER &&
              DRAW_TEXTURE_MIN_FILTER == GL_TEXTURE_MIN_FILTER && DRAW_TEXTURE_WRAP_S == GL_TEXTURE_WRAP_S &&
              DRAW_TEXTURE_WRAP_T == GL_TEXTURE_WRAP_T && DRAW_CLAMP == GL_CLAMP && DRAW_REPEAT == GL_REPEAT);

namespace {
void glSetupView(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // left, right, bottom, top, near, far: y grows downward from the top-left corner.
    glOrtho(0.0, width, height, 0.0, 0.0, 2.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
}
// One batch for all of them, as the sweep always drew: on Mesa's software
// renderer a vertex array per frame measured no faster than this.
void glRectangles(const DrawRect* rects, int count) {
    if (count <= 0) return;
    glBegin(GL_QUADS);
    for (int i = 0; i < count; ++i) {
        const DrawRect& q = rects[i];
        glColor3f(q.color[0], q.color[1], q.color[2]);
        glVertex2f(q.x0, q.y0);
        glVertex2f(q.x1, q.y0);
        glVertex2f(q.x1, q.y1);
        glVertex2f(q.x0, q.y1);
    }
    glEnd();
}

// A software frame reaches the window through a texture that a read
// framebuffer shows, copied over the window's buffer by one blit: where GL
// itself runs on the processor, that is a copy of rows rather than a drawn quad.
struct Present {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
    unsigned texture = 0, framebuffer = 0;
    int width = 0, height = 0;
    bool bgra = false;
} present;

template <class Fn>
void load(Fn* fn, const char* name) {
    *fn = reinterpret_cast<Fn>(platformGlFunction(name));
}

// Bytes in B, G, R, A order go into the texture as they are.
GLenum formatOf(bool bgra) { return bgra ? GL_BGRA : GL_RGBA; }
GLenum typeOf(bool bgra) { return bgra ? GL_UNSIGNED_INT_8_8_8_8_REV : GL_UNSIGNED_BYTE; }

// The texture for frames of this size and order, shown by the read framebuffer.
void sizeTexture(int width, int height, bool bgra) {
    present.width = width;
    present.height = height;
    present.bgra = bgra;
    glBindTexture(GL_TEXTURE_2D, present.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, formatOf(bgra), typeOf(bgra), nullptr);
    present.bindFramebuffer(GL_READ_FRAMEBUFFER, present.framebuffer);
    present.framebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, present.texture, 0);
}
}  // namespace

const char* glRendererName() {
    const char* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name ? name : "";
}

bool glPrepareSoftFrames(int width, int height, bool bgra) {
    present = Present{};
    if (width <= 0 || height <= 0) return false;
    // Framebuffer objects and their blit: OpenGL 3.0, or the extension before.
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    bool offered = (version && std::strtol(version, nullptr, 10) >= 3) ||
                   (extensions && std::strstr(extensions, "GL_ARB_framebuffer_object"));
    if (!offered) return false;
    load(&present.genFramebuffers, "glGenFramebuffers");
    load(&present.bindFramebuffer, "glBindFramebuffer");
    load(&present.framebufferTexture2D, "glFramebufferTexture2D");
    load(&present.checkFramebufferStatus, "glCheckFramebufferStatus");
    load(&present.blitFramebuffer, "glBlitFramebuffer");
    if (!present.genFramebuffers || !present.bindFramebuffer || !present.framebufferTexture2D ||
        !present.checkFramebufferStatus || !present.blitFramebuffer)
        return false;
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {
    }  // what came before is not ours to judge
    glGenTextures(1, &present.texture);
    present.genFramebuffers(1, &present.framebuffer);
    sizeTexture(width, height, bgra);
    // A texture too large for the renderer fails here, not frame after frame.
    bool ready = present.checkFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                 glGetError() == GL_NO_ERROR;
    present.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    if (!ready) present.blitFramebuffer = nullptr;
    return ready;
}

void presentSoftFrame(const SoftFramebuffer& fb) {
    if (fb.width <= 0 || fb.height <= 0 || !present.blitFramebuffer) return;
    if (present.width != fb.width || present.height != fb.height || present.bgra != fb.bgra)
        sizeTexture(fb.width, fb.height, fb.bgra);
    glBindTexture(GL_TEXTURE_2D, present.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, fb.width, fb.height, formatOf(fb.bgra), typeOf(fb.bgra),
                    fb.pixels.data());
    // The texture's row 0 is the frame's top row; the window counts rows from
    // the bottom, so the blit turns it upside down.
    present.bindFramebuffer(GL_READ_FRAMEBUFFER, present.framebuffer);
    present.blitFramebuffer(0, 0, fb.width, fb.height, 0, fb.height, fb.width, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    present.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

const DrawApi glDrawApi = {
    glSetupView, glClearColor,  glClear,        glBegin,       glEnd,           glColor3f,
    glColor3b,   glVertex2i,    glVertex2f,     glTexCoord2f,  glTexCoord2i,    glEnable,
    glDisable,   glBlendFunc,   glGenTextures,  glBindTexture, glTexParameteri, glTexImage2D,
    glRectangles,
};

const DrawApi* draw = &glDrawApi;
