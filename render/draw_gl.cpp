// The drawing interface on OpenGL 1.1: the GL entry points themselves.
#include "render/draw.h"

#include <GL/gl.h>

#include <type_traits>

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
}  // namespace

const DrawApi glDrawApi = {
    glSetupView, glClearColor,  glClear,        glBegin,       glEnd,           glColor3f,
    glColor3b,   glVertex2i,    glVertex2f,     glTexCoord2f,  glTexCoord2i,    glEnable,
    glDisable,   glBlendFunc,   glGenTextures,  glBindTexture, glTexParameteri, glTexImage2D,
};

const DrawApi* draw = &glDrawApi;
