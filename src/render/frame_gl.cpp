// A frame with the rules and the camera only; the terrain, unit and overlay
// passes join it as they are written.
#include "render/frame.h"

#include <GL/gl.h>

#include "platform/main_loop.h"
#include "rules/frame_rules.h"
#include "world/world.h"

namespace {

void CameraTransform() {
  glTranslatef(0.0f, 0.0f, CameraZoom);
  glRotatef(CameraTilt, 1.0f, 0.0f, 0.0f);
  glRotatef(CameraTurn, 0.0f, 1.0f, 0.0f);
  glRotatef(CameraSpin, 0.0f, 0.0f, 0.5f);  // OpenGL normalises the axis to z
}

}  // namespace

bool RunFrame() {
  ThrottleFrame();
  MoveWindowKey();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
  CameraTransform();
  RulesFirstHalf();
  SpinFromPointer();
  MouseCell();
  RulesSecondHalf();
  HelpKey();
  return true;
}
