#include "render/draw.h"

namespace {
void glSetupView(GLint width, GLint height) {
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
