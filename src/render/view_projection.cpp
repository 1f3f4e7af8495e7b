#include "render/view_projection.h"

#include <algorithm>
#include <cmath>

#include "host/input.h"
#include "render/render_buffers.h"

namespace {

// The web build's projection, and the desktop's at its own 640 x 480
// (platform/gl/projection.h): 45 degrees of height and the frame's aspect.
// Its near and far planes change only depth, which aiming never reads.
constexpr double FieldOfView = 45.0;
constexpr double Aspect = static_cast<double>(static_cast<float>(FrameWidth) / static_cast<float>(FrameHeight));
constexpr double Pi = 3.14159265358979323846;

// The rules' pointer grid: 40 cells across each way round the view centre,
// single precision, truncated toward zero.
constexpr float GridCells = 40.0f;
constexpr int GridLowest = -20, GridHighest = 19;  // dx; dy runs from -19 to 20

struct Vec {
  double x, y, z;
};
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(double k, Vec a) { return {k * a.x, k * a.y, k * a.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The camera's rotation, tilt then turn then spin, as rows: eye = R * scene.
struct Rotation {
  Vec row[3];
  Vec Apply(Vec v) const { return {Dot(row[0], v), Dot(row[1], v), Dot(row[2], v)}; }
  // A rotation's inverse is its transpose.
  Vec ApplyInverse(Vec v) const { return v.x * row[0] + v.y * row[1] + v.z * row[2]; }
};

Rotation operator*(const Rotation& a, const Rotation& b) {
  Rotation r{};
  const Vec columns[3] = {
      {b.row[0].x, b.row[1].x, b.row[2].x}, {b.row[0].y, b.row[1].y, b.row[2].y}, {b.row[0].z, b.row[1].z, b.row[2].z}};
  for (int i = 0; i < 3; ++i)
    r.row[i] = {Dot(a.row[i], columns[0]), Dot(a.row[i], columns[1]), Dot(a.row[i], columns[2])};
  return r;
}

double Radians(float degrees) { return static_cast<double>(degrees) * Pi / 180.0; }

Rotation AboutX(float degrees) {
  const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
  return {{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
}
Rotation AboutY(float degrees) {
  const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
  return {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
}
Rotation AboutZ(float degrees) {
  const double c = std::cos(Radians(degrees)), s = std::sin(Radians(degrees));
  return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}

Rotation CameraRotation(const CameraPose& camera) {
  return AboutX(camera.tilt) * AboutY(camera.turn) * AboutZ(camera.spin);
}

// Half the view's height at one unit from the eye; its width is Aspect times that.
double HalfHeight() { return std::tan(FieldOfView / 2.0 * Pi / 180.0); }

// The ray from the eye through the centre of a frame pixel, in the scene.
struct Ray {
  Vec from, along;
};
Ray RayThrough(const CameraPose& camera, int x, int y) {
  const double across = (2.0 * (x + 0.5) / FrameWidth - 1.0) * Aspect * HalfHeight();
  const double up = (1.0 - 2.0 * (y + 0.5) / FrameHeight) * HalfHeight();
  const Rotation r = CameraRotation(camera);
  return {r.ApplyInverse({0.0, 0.0, -static_cast<double>(camera.zoom)}), r.ApplyInverse({across, up, -1.0})};
}

// Far enough for any grid, near enough for an int.
constexpr double FarCell = 1.0e6;
// A camera that is not a number shows the view centre's cell.
int CellOf(double scene) {
  return std::isnan(scene) ? 0 : static_cast<int>(std::floor(std::clamp(scene, -FarCell, FarCell)));
}

// Where the ray meets the floor, as a distance along it; a ray that never
// does (above the horizon) is taken far along its direction over the floor.
Vec FloorPoint(const Ray& ray, double& distance) {
  distance = ray.along.z != 0.0 ? -ray.from.z / ray.along.z : -1.0;
  if (distance > 0.0) return ray.from + distance * ray.along;
  distance = INFINITY;
  const double flat = std::hypot(ray.along.x, ray.along.y);
  if (flat == 0.0) return ray.from;
  return ray.from + (FarCell / flat) * Vec{ray.along.x, ray.along.y, 0.0};
}

// The unit pass stands each picture up facing the viewer with the spin
// undone: across it runs (cos spin, -sin spin, 0), up it runs z. Its extent
// is that of its squares, the picture's black surround included: a
// fingertip is wider than a creature's legs.
bool HitsPicture(const Ray& ray, const UnitRecord& unit, float spin, double& distance) {
  const SpritePicture picture = SpritePictureOf(UnitPictureSlot(unit));
  if (picture.rows == 0) return false;
  const ScenePoint anchor = UnitAnchorOffset(unit);
  const Vec centre{anchor.x, anchor.y, anchor.z};
  const Vec across{std::cos(Radians(spin)), -std::sin(Radians(spin)), 0.0};
  const Vec facing{-across.y, across.x, 0.0};
  const double approach = Dot(ray.along, facing);
  if (approach == 0.0) return false;
  distance = Dot(centre - ray.from, facing) / approach;
  if (distance <= 0.0) return false;
  const Vec onPlane = ray.from + distance * ray.along - centre;
  const double half = SquareHalfEdge(UnitSize, picture.n);
  const double u = Dot(onPlane, across), v = onPlane.z;
  return u >= SquareOffset(0, picture.n, UnitSize) - half &&
         u <= SquareOffset(picture.n - 1, picture.n, UnitSize) + half &&
         v >= SquareOffset(0, picture.n, UnitSize) - half &&
         v <= SquareOffset(picture.rows - 1, picture.n, UnitSize) + half;
}

int GridOffset(int pixels_from_low_edge, int extent) {
  return static_cast<int>(static_cast<float>(pixels_from_low_edge) / static_cast<float>(extent) * GridCells -
                          GridCells / 2.0f);
}

// The middle of the pixels, counted from the low edge from `low` to `high`,
// that the grid maps to `cell`.
int MiddleOfGridCell(int cell, int low, int high, int extent) {
  int first = -1, last = -1;
  for (int p = low; p <= high; ++p)
    if (GridOffset(p, extent) == cell) {
      if (first < 0) first = p;
      last = p;
    }
  return (first + last) / 2;
}

}  // namespace

CameraPose CurrentCamera() { return {CameraZoom, CameraTilt, CameraTurn, CameraSpin}; }

bool ProjectToFrame(const CameraPose& camera, ScenePoint point, FramePoint& drawn) {
  const Vec eye = CameraRotation(camera).Apply({point.x, point.y, point.z}) + Vec{0.0, 0.0, camera.zoom};
  if (!(eye.z < 0.0)) return false;
  const double across = eye.x / -eye.z / (Aspect * HalfHeight()), up = eye.y / -eye.z / HalfHeight();
  const FramePoint spot = {(across + 1.0) / 2.0 * FrameWidth, (1.0 - up) / 2.0 * FrameHeight};
  if (!(std::fabs(spot.x) <= FrameReach && std::fabs(spot.y) <= FrameReach)) return false;
  drawn = spot;
  return true;
}

DrawnCell CellDrawnAt(const CameraPose& camera, int x, int y) {
  const Ray ray = RayThrough(camera, x, y);
  double nearest = 0.0;
  const Vec floor = FloorPoint(ray, nearest);
  DrawnCell drawn{CellOf(floor.x), CellOf(floor.y), -1};
  // The units drawn in the last frame: what the player sees.
  for (int k = 0; k < VisibleUnitCount; ++k) {
    const UnitRecord& unit = UnitTable[VisibleUnits[k]];
    double distance = 0.0;
    if (unit.in_use != 1 || unit.dead || !HitsPicture(ray, unit, camera.spin, distance) || distance >= nearest)
      continue;
    nearest = distance;
    drawn = {unit.cell_x - map_sx, unit.cell_y - map_sy, VisibleUnits[k]};
  }
  return drawn;
}

GridPointer PointerForCell(int dx, int dy) {
  const int across = std::clamp(dx, GridLowest, GridHighest);
  const int up = std::clamp(dy, -GridHighest, -GridLowest);
  // The rules count rows from the bottom: row y is FrameHeight - y from it.
  return {MiddleOfGridCell(across, 0, FrameWidth - 1, FrameWidth),
          FrameHeight - MiddleOfGridCell(up, 1, FrameHeight, FrameHeight), across, up, across != dx || up != dy};
}
