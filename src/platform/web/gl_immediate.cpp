// GL's current vertex attributes over the browser's GL emulation (see
// gl_immediate_web.h). Normals are kept out of the stream: the game never
// turns lighting on, so nothing reads them.
#include <GL/gl.h>

#undef glBegin
#undef glEnd
#undef glVertex2f
#undef glVertex3f
#undef glTexCoord2f
#undef glNormal3f
#undef glColor3f
#undef glColor3ub
#undef glColor4f

// The emulation's own calls; gl.h declared them under the names above.
extern "C" {
void glBegin(GLenum mode);
void glEnd();
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glTexCoord2f(GLfloat s, GLfloat t);
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
}

namespace {

GLfloat Colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
GLfloat TexCoord[2] = {0.0f, 0.0f};
bool InsidePrimitive = false;

}  // namespace

extern "C" {

void ImmediateBegin(GLenum mode) {
  InsidePrimitive = true;
  glBegin(mode);
}

void ImmediateEnd() {
  InsidePrimitive = false;
  glEnd();
}

void ImmediateColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  Colour[0] = red;
  Colour[1] = green;
  Colour[2] = blue;
  Colour[3] = alpha;
  if (!InsidePrimitive) glColor4f(red, green, blue, alpha);
}

void ImmediateColor3f(GLfloat red, GLfloat green, GLfloat blue) { ImmediateColor4f(red, green, blue, 1.0f); }

void ImmediateColor3ub(GLubyte red, GLubyte green, GLubyte blue) {
  ImmediateColor4f(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
}

void ImmediateTexCoord2f(GLfloat s, GLfloat t) {
  TexCoord[0] = s;
  TexCoord[1] = t;
}

void ImmediateNormal3f(GLfloat, GLfloat, GLfloat) {}

void ImmediateVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  glColor4f(Colour[0], Colour[1], Colour[2], Colour[3]);
  glTexCoord2f(TexCoord[0], TexCoord[1]);
  glVertex3f(x, y, z);
}

void ImmediateVertex2f(GLfloat x, GLfloat y) { ImmediateVertex3f(x, y, 0.0f); }
}
