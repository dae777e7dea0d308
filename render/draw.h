#pragma once
// The narrow drawing interface: the few OpenGL 1.1 calls that the renderer and
// the overlays make, as a table of function pointers. The OpenGL table points
// straight at the GL entry points, so drawing through it costs what calling GL
// costs; the software framebuffer (render/soft_draw.h) implements the same
// calls with GL's rasterisation rules, for tests, tools and headless capture.
#include <GL/gl.h>

struct DrawApi {
    // Viewport and the pixel-exact projection: origin top-left, y downward,
    // one unit per pixel; culling and depth test off.
    void (*setupView)(GLint width, GLint height);
    void (*clearColor)(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
    void (*clear)(GLbitfield mask);
    void (*begin)(GLenum mode);  // GL_QUADS
    void (*end)();
    void (*color3f)(GLfloat r, GLfloat g, GLfloat b);
    void (*color3b)(GLbyte r, GLbyte g, GLbyte b);
    void (*vertex2i)(GLint x, GLint y);
    void (*vertex2f)(GLfloat x, GLfloat y);
    void (*texCoord2f)(GLfloat s, GLfloat t);
    void (*texCoord2i)(GLint s, GLint t);
    void (*enable)(GLenum cap);   // GL_TEXTURE_2D, GL_BLEND
    void (*disable)(GLenum cap);
    void (*blendFunc)(GLenum src, GLenum dst);
    void (*genTextures)(GLsizei n, GLuint* names);
    void (*bindTexture)(GLenum target, GLuint name);
    void (*texParameteri)(GLenum target, GLenum name, GLint value);
    void (*texImage2D)(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                       GLint border, GLenum format, GLenum type, const GLvoid* pixels);
};

extern const DrawApi glDrawApi;
// Where all drawing goes; the OpenGL table unless a test or tool says otherwise.
extern const DrawApi* draw;
