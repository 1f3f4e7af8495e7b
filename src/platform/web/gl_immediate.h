// Forced into every file of the browser build (scripts/web-build.sh): the
// GL emulation's glBegin/glEnd writes each attribute call straight into its
// vertex stream, so it draws right only when every vertex carries the same
// attributes in the same order. The game relies on GL's current colour and
// texture coordinate carrying over from vertex to vertex and from primitive
// to primitive, so these calls go through gl_immediate.cpp, which keeps
// the current values as GL does and hands each vertex over complete.
#pragma once

#define glBegin ImmediateBegin
#define glEnd ImmediateEnd
#define glVertex2f ImmediateVertex2f
#define glVertex3f ImmediateVertex3f
#define glTexCoord2f ImmediateTexCoord2f
#define glNormal3f ImmediateNormal3f
#define glColor3f ImmediateColor3f
#define glColor3ub ImmediateColor3ub
#define glColor4f ImmediateColor4f
