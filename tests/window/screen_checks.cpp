// The driver's eyes: grabs the game window's pixels (XGetImage) and checks
// them against what the game's own code says should be there. Text is drawn
// with the game's fonts into its overlay and compared pixel for pixel; the
// cursor mark and the leader's picture are found where the new-game camera
// projects them.
//
//   window_driver expect [OPTIONS] CHECK...      polls until every check holds in one picture
//   window_driver hold-until KEYS [OPTIONS] CHECK...
//                                    holds KEYS (comma-separated keysyms or Button1-3)
//                                    until the checks hold, then lets them go
//   window_driver read-line N        prints the HUD block's line N (0 the top one) as the font reads it;
//                                    N "replay" is a watched replay's mark above the block;
//                                    "asks" and "connection" a versus game's lines at the bottom
//   window_driver screenshot FILE    the window as a PPM picture
//   window_driver mouse-cell X Y     prints the cell offset "DX DY" MouseCell gives the pointer
//   window_driver point-at DX DY     moves the pointer to the middle of the window pixels
//                                    MouseCell maps to that cell offset, wherever the
//                                    window is; prints them
//   window_driver move-frame X Y     moves the pointer over frame pixel (X, Y) of the window
//
// E2E_STAGE=X,Y,WIDTH,HEIGHT says where the window shows the 640 x 480 frame
// scaled (default 0,0,640,480): the checks read the frame from there, and
// point-at and move-frame point into it.
//
// OPTIONS: --within SECONDS (default 5; 0 looks once), --each (every check
// passes in some picture, not necessarily the same one: unit labels wander
// over the text now and then), --view SX,SY (view centre, default the new game's),
// --spin DEGREES (CameraSpin, default the new game's), --size UNITSIZE (default as loaded).
// CHECKS:  line:N=TEXT        the HUD block's line N (0 the top one) shows exactly TEXT;
//                             N "replay" is a watched replay's mark above the block
//          title | no-title   the title picture is shown where the HUD puts it / is not
//          mark@X,Y           the red cursor mark covers cell (X, Y)
//          no-mark@X,Y        it does not
//          leader@X,Y         the player's leader (picture and id label) stands on (X, Y)
//          no-leader@X,Y      its picture is not there
//          floor              a quarter of the window or more shows the floor pictures' colours
//          scaled             every window pixel shows the frame pixel it lies on, nearest-
//                             neighbour over E2E_STAGE, and black off it
// Run from the game folder: the pictures are read from there. When a check
// fails and E2E_SHOT names a file, the last picture is written to it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "host/input.h"
#include "overlay/fonts.h"
#include "overlay/hud.h"
#include "overlay/overlay.h"
#include "overlay/overlay_buffer.h"
#include "pictures/asset_table.h"
#include "pictures/bitmap_loader.h"
#include "pictures/image_slots.h"
#include "platform/gl/projection.h"
#include "render/units.h"
#include "rules/frame_rules.h"
#include "window_driver.h"
#include "world/new_game.h"
#include "world/world.h"

namespace {

constexpr int Width = FrameWidth, Height = FrameHeight;
constexpr int LeaderId = 0;  // the player's leader is the table's first entry

int LeaderSlot() {
  UnitRecord leader{};
  leader.type = TypeLeader;
  return UnitPictureSlot(leader);
}

// --- Pictures of the window, in overlay orientation (row 0 at the bottom). ---

struct Pixel {
  uint8_t r, g, b;
  bool operator==(const Pixel&) const = default;
};
constexpr Pixel White{255, 255, 255};

struct Shot {
  std::vector<Pixel> pixels = std::vector<Pixel>(Width * Height);
  int misplaced = 0;  // window pixels that are not their frame pixel's, or not black on the bars
  Pixel At(int x, int y) const { return pixels[y * Width + x]; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
};

int Shift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++shift;
  return shift;
}

// Where the window shows the frame, in window pixels (origin top-left), as
// the test expects it: E2E_STAGE=X,Y,WIDTH,HEIGHT; by default the window's
// top-left 640 x 480, pixel for pixel.
struct StageRect {
  int x = 0, y = 0, width = Width, height = Height;
};
StageRect ExpectedStage() {
  StageRect stage;
  if (const char* text = std::getenv("E2E_STAGE"))
    if (std::sscanf(text, "%d,%d,%d,%d", &stage.x, &stage.y, &stage.width, &stage.height) != 4 ||
        stage.width < Width || stage.height < Height) {
      std::fprintf(stderr, "window_driver: E2E_STAGE wants X,Y,WIDTH,HEIGHT of at least 640 x 480\n");
      std::exit(2);
    }
  return stage;
}

// The frame pixel a window pixel shows when the frame is scaled nearest-
// neighbour onto the stage: the one whose stretch holds the pixel's centre.
// A centre right on the border of two stretches (at scales like 2.25) may
// show either: `tie` says so, and the other is the one before.
int FrameCell(int offset, int frame_extent, int stage_extent, bool& tie) {
  const int64_t position = (2 * int64_t{offset} + 1) * frame_extent;
  tie = position % (2 * int64_t{stage_extent}) == 0;
  return static_cast<int>(position / (2 * int64_t{stage_extent}));
}

Pixel ImagePixel(XImage* image, int x, int y) {
  const int rs = Shift(image->red_mask), gs = Shift(image->green_mask), bs = Shift(image->blue_mask);
  const unsigned long p = XGetPixel(image, x, y);
  return {static_cast<uint8_t>((p & image->red_mask) >> rs), static_cast<uint8_t>((p & image->green_mask) >> gs),
          static_cast<uint8_t>((p & image->blue_mask) >> bs)};
}

// The frame as the window shows it. On a stage larger than the frame, each
// frame pixel is read from the middle of its block, and every window pixel
// is compared with the frame pixel it should show (black off the stage).
bool Grab(Display* display, Window window, Shot& shot) {
  const StageRect stage = ExpectedStage();
  XWindowAttributes attributes;
  XGetWindowAttributes(display, window, &attributes);
  const bool scaled = stage.width != Width || stage.height != Height || stage.x != 0 || stage.y != 0;
  const int grab_width = scaled ? attributes.width : Width, grab_height = scaled ? attributes.height : Height;
  if (stage.x + stage.width > grab_width || stage.y + stage.height > grab_height) {
    std::fprintf(stderr, "window_driver: the window (%d x %d) is smaller than E2E_STAGE\n", grab_width, grab_height);
    return false;
  }
  XImage* image = XGetImage(display, window, 0, 0, grab_width, grab_height, AllPlanes, ZPixmap);
  if (!image) return false;
  for (int row = 0; row < Height; ++row)
    for (int x = 0; x < Width; ++x) {
      const int wx = stage.x + (2 * x + 1) * stage.width / (2 * Width);
      const int wy = stage.y + (2 * row + 1) * stage.height / (2 * Height);
      shot.pixels[(Height - 1 - row) * Width + x] = ImagePixel(image, wx, wy);
    }
  shot.misplaced = 0;
  for (int wy = 0; scaled && wy < grab_height; ++wy)
    for (int wx = 0; wx < grab_width; ++wx) {
      const int sx = wx - stage.x, sy = wy - stage.y;
      const Pixel seen = ImagePixel(image, wx, wy);
      if (sx < 0 || sy < 0 || sx >= stage.width || sy >= stage.height) {
        shot.misplaced += !(seen == Pixel{0, 0, 0});
        continue;
      }
      bool tie_x = false, tie_y = false;
      const int fx = FrameCell(sx, Width, stage.width, tie_x), fy = FrameCell(sy, Height, stage.height, tie_y);
      bool shown = false;
      for (int ox = tie_x ? -1 : 0; ox <= 0; ++ox)
        for (int oy = tie_y ? -1 : 0; oy <= 0; ++oy) shown |= seen == shot.At(fx + ox, Height - 1 - (fy + oy));
      shot.misplaced += !shown;
    }
  XDestroyImage(image);
  return true;
}

bool WritePpm(const Shot& shot, const char* path) {
  FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  std::fprintf(out, "P6\n%d %d\n255\n", Width, Height);
  for (int y = Height - 1; y >= 0; --y) std::fwrite(&shot.pixels[y * Width], 3, Width, out);
  return std::fclose(out) == 0;
}

// --- What the game would draw: its fonts, its overlay, its pictures. ---

void LoadPicture(int slot) {
  if (TextureSlots[slot].width) return;
  for (const PictureAsset& asset : PictureAssets)
    if (asset.slot == slot && !LoadBitmapSlot(asset.path, slot))
      std::fprintf(stderr, "window_driver: %s: %s\n", asset.path, LastBitmapError().c_str());
}

Pixel OverlayAt(int x, int y) {
  const uint8_t* p = &OverlayBuffer[(y * Width + x) * 4];
  return {p[0], p[1], p[2]};
}
bool OverlayDrawn(int x, int y) { return OverlayBuffer[(y * Width + x) * 4 + 3] != 0; }

// Where the overlay drew something the screen must show exactly that colour;
// elsewhere in the box it must not show the text's white. Returns the pixels
// that disagree.
int OverlayMismatches(const Shot& shot, int x0, int y0, int x1, int y1) {
  int wrong = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      if (!shot.Inside(x, y)) continue;
      const bool drawn = OverlayDrawn(x, y);
      if (drawn ? !(shot.At(x, y) == OverlayAt(x, y)) : shot.At(x, y) == White) ++wrong;
    }
  return wrong;
}

// One large-font glyph as the game draws it: 8 x 12 ink flags, row 1 first.
using GlyphMask = std::vector<bool>;
GlyphMask InkOf(const Shot* shot, int x, int y) {
  GlyphMask mask;
  for (int i = 1; i <= 12; ++i)
    for (int j = 0; j < LargeGlyphColumns; ++j)
      mask.push_back(shot ? shot->Inside(x + j, y - i) && shot->At(x + j, y - i) == White
                          : OverlayDrawn(x + j, y - i));
  return mask;
}

// The large-font glyph cell at (x, y) read back with the game's own font:
// '?' where no glyph matches exactly (another mark lies over it).
char ReadCell(const Shot& shot, int x, int y) {
  static std::vector<GlyphMask> glyphs;
  if (glyphs.empty())
    for (int c = 0; c < FontCodeCount; ++c) {
      ClearOverlay();
      FormatTextLine("%c", c >= 32 && c < 127 ? c : ' ');
      DrawLargeText(0, 12, 255, 255, 255);
      glyphs.push_back(InkOf(nullptr, 0, 12));
    }
  const GlyphMask seen = InkOf(&shot, x, y);
  for (int c = 32; c < 127; ++c)
    if (glyphs[c] == seen) return static_cast<char>(c);
  return '?';
}

std::string ReadLine(const Shot& shot, int y) {
  std::string text;
  for (int x = HudBlockX; x + LargeGlyphColumns <= Width; x += LargeAdvance) text += ReadCell(shot, x, y);
  return text.erase(text.find_last_not_of(' ') + 1);
}

// --- Where the new-game camera puts things (the game's GL transforms, in double). ---

struct Matrix {
  double m[16];  // column-major, as GL keeps it
};

Matrix operator*(const Matrix& a, const Matrix& b) {
  Matrix r{};
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 4; ++k) r.m[col * 4 + row] += a.m[k * 4 + row] * b.m[col * 4 + k];
  return r;
}

Matrix Identity() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

Matrix Translate(double x, double y, double z) {
  Matrix r = Identity();
  r.m[12] = x, r.m[13] = y, r.m[14] = z;
  return r;
}

// glRotatef's matrix: degrees about a normalised axis.
Matrix Rotate(double degrees, double x, double y, double z) {
  const double length = std::sqrt(x * x + y * y + z * z);
  x /= length, y /= length, z /= length;
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
  return {{t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0,  //
           t * x * y - s * z, t * y * y + c, t * y * z + s * x, 0,  //
           t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0,  //
           0, 0, 0, 1}};
}

// gluPerspective's matrix for the projection of the game's first frames.
Matrix Perspective() {
  const double f = 1.0 / std::tan(FieldOfView * M_PI / 360.0), aspect = StartAspect, n = NearPlane,
               far = FarPlane;
  Matrix r{};
  r.m[0] = f / aspect, r.m[5] = f, r.m[10] = (far + n) / (n - far), r.m[11] = -1;
  r.m[14] = 2 * far * n / (n - far);
  return r;
}

struct Scene {
  int viewX = NewGameViewX, viewY = NewGameViewY;
  float spin = NewGameSpin;
  float unitSize = UnitSize;  // as loaded; F2 to F4 change it
  bool title = false;  // the title picture lies over the status lines
};

// The camera transform of a new game, with the scene's spin.
Matrix Camera(const Scene& scene) {
  return Translate(0, 0, NewGameZoom) * Rotate(NewGameTilt, 1, 0, 0) * Rotate(NewGameTurn, 0, 1, 0) *
         Rotate(scene.spin, 0, 0, 0.5);
}

struct WindowPosition {
  double x, y;
};
WindowPosition Project(const Matrix& modelView, double x, double y, double z) {
  const Matrix clip = Perspective() * modelView * Translate(x, y, z);
  const double w = clip.m[15];
  return {(clip.m[12] / w + 1) * Width / 2, (clip.m[13] / w + 1) * Height / 2};
}

// --- The checks. ---

using Test = std::function<bool(const Shot&, std::string& why)>;
struct Check {
  std::string name;
  Test test;
};

// Every pixel the game would draw for the line at y (and the title picture
// over a line of the block; a replay's mark lies over the picture) is on the
// screen in its colour, and no glyph cell of the line, nor the one after it,
// reads as a different glyph. Unit labels are white too and may lie over the
// line: a cell they touch reads as no glyph at all, which is let pass for up
// to a third of the cells.
Test LineCheck(const Scene& scene, int y, std::string text) {
  return [scene, y, text](const Shot& shot, std::string& why) {
    ClearOverlay();
    FormatTextLine("%s", text.c_str());
    DrawLargeText(HudBlockX, y, 255, 255, 255);
    if (scene.title && y != ReplayMarkY) BlitPicture(IntroPictureX, IntroPictureY, IntroPictureSlot);
    const int cells = static_cast<int>(text.size()) + 1;
    int missing = 0;
    for (int yy = y - 12; yy < y; ++yy)
      for (int x = HudBlockX; x < HudBlockX + LargeAdvance * cells; ++x)
        missing += OverlayDrawn(x, yy) && !(shot.At(x, yy) == OverlayAt(x, yy));
    int unreadable = 0, wrong = 0;
    for (int k = 0; k < cells; ++k) {
      const char read = ReadCell(shot, HudBlockX + LargeAdvance * k, y);
      const char wanted = k < cells - 1 ? text[k] : ' ';
      unreadable += read == '?';
      wrong += read != '?' && read != wanted;
    }
    why = std::to_string(missing) + " pixels missing, " + std::to_string(wrong) + " glyphs wrong, " +
          std::to_string(unreadable) + " unreadable; the line reads \"" + ReadLine(shot, y) + "\"";
    return missing == 0 && wrong == 0 && unreadable * 3 <= cells;
  };
}

// Share of the title picture's drawn pixels that the screen shows.
double TitleShown(const Shot& shot) {
  ClearOverlay();
  BlitPicture(IntroPictureX, IntroPictureY, IntroPictureSlot);
  int drawn = 0, shown = 0;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      if (OverlayDrawn(x, y)) ++drawn, shown += shot.At(x, y) == OverlayAt(x, y);
  return drawn ? static_cast<double>(shown) / drawn : 0.0;
}

Test TitleCheck(bool wanted) {
  return [wanted](const Shot& shot, std::string& why) {
    const double shown = TitleShown(shot);
    why = std::to_string(static_cast<int>(shown * 1000) / 10.0) + "% of its pixels shown";
    return wanted ? shown == 1.0 : shown < 0.5;
  };
}

// The terrain shows the floor pictures texel for texel, so their colours
// cover much of the window; a floor drawn without them shows none.
Test FloorCheck() {
  std::set<uint32_t> colours;
  for (int slot : {BrickFloorSlot, GrassFloorSlot}) {
    LoadPicture(slot);
    const ImageSlot& s = TextureSlots[slot];
    for (int k = 0; k < s.width * s.height; ++k)
      colours.insert(uint32_t(s.pixels[k * 3]) << 16 | s.pixels[k * 3 + 1] << 8 | s.pixels[k * 3 + 2]);
  }
  return [colours](const Shot& shot, std::string& why) {
    int floor = 0;
    for (const Pixel& p : shot.pixels) floor += colours.count(uint32_t(p.r) << 16 | p.g << 8 | p.b);
    why = std::to_string(floor * 100 / (Width * Height)) + "% of the window in floor colours";
    return floor * 4 >= Width * Height;
  };
}

// Pixels that the title picture covers while it is shown: the scene under
// them cannot be seen.
bool Hidden(const Scene& scene, int x, int y) {
  static std::vector<bool> covered;
  if (covered.empty()) {
    ClearOverlay();
    BlitPicture(IntroPictureX, IntroPictureY, IntroPictureSlot);
    for (int k = 0; k < Width * Height; ++k) covered.push_back(OverlayDrawn(k % Width, k / Width));
  }
  return scene.title && covered[y * Width + x];
}

bool RedTinted(Pixel p) { return p.r > 0 && p.g == 0 && p.b == 0; }

// Whether a pixel centre lies inside the projected cell quad, pushed out (or
// in, for a negative margin) by `margin` pixels.
bool InsideQuad(const WindowPosition (&corner)[4], double px, double py, double margin) {
  double area = 0;
  for (int k = 0; k < 4; ++k)
    area += corner[k].x * corner[(k + 1) % 4].y - corner[(k + 1) % 4].x * corner[k].y;
  const double turn = area > 0 ? 1.0 : -1.0;  // inside lies to the left of anticlockwise edges
  for (int k = 0; k < 4; ++k) {
    const WindowPosition a = corner[k], b = corner[(k + 1) % 4];
    const double ex = b.x - a.x, ey = b.y - a.y, length = std::hypot(ex, ey);
    if (turn * (ex * (py - a.y) - ey * (px - a.x)) / length < -margin) return false;
  }
  return true;
}

// The mark is one textured quad tinted pure red, 0.1 above the floor of its cell.
// Red beside it (a mark a cell off, or spread) is looked for in a ring around
// it: farther off, a creature's own pure red may wander by.
constexpr double MarkRing = 40.0;
Test MarkCheck(const Scene& scene, int cellX, int cellY, bool wanted) {
  return [scene, cellX, cellY, wanted](const Shot& shot, std::string& why) {
    const Matrix camera = Camera(scene);
    const double dx = cellX - scene.viewX, dy = cellY - scene.viewY;
    const WindowPosition corner[4] = {Project(camera, dx, dy, 0.1), Project(camera, dx + 1, dy, 0.1),
                                      Project(camera, dx + 1, dy + 1, 0.1),
                                      Project(camera, dx, dy + 1, 0.1)};
    int inside = 0, redInside = 0, outside = 0, redOutside = 0;
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        if (Hidden(scene, x, y)) continue;
        const bool red = RedTinted(shot.At(x, y));
        if (InsideQuad(corner, x + 0.5, y + 0.5, -1.0)) ++inside, redInside += red;
        else if (!InsideQuad(corner, x + 0.5, y + 0.5, 1.0) && InsideQuad(corner, x + 0.5, y + 0.5, MarkRing))
          ++outside, redOutside += red;
      }
    why = std::to_string(redInside) + " of " + std::to_string(inside) + " pixels inside red, " +
          std::to_string(redOutside) + " outside";
    // Labels and pictures may stand on the mark; nothing else on screen is tinted so.
    if (wanted) return inside > 0 && redInside * 10 >= inside * 7 && redOutside * 10 <= redInside;
    return redInside * 10 < inside * 3;
  };
}

struct LeaderLook {
  int squares = 0, matching = 0;  // the picture's squares above the floor, and those shown
  bool label = false;             // the id label is shown at the anchor (give or take a pixel)
};

LeaderLook LookForLeader(const Shot& shot, const Scene& scene, int cellX, int cellY) {
  const Matrix anchor = Camera(scene) * Translate(cellX - scene.viewX + 0.5, cellY - scene.viewY + 0.5,
                                                  scene.unitSize / 2.0f);
  LeaderLook look;
  // The picture: each square's colour at its projected centre. Standing squares
  // are turned against the spin and raised upright, as the game draws them.
  const Matrix standing = anchor * Rotate(scene.spin, 0, 0, -1) * Rotate(90, 1, 0, 0);
  const SpritePicture picture = SpritePictureOf(LeaderSlot());
  for (int i = 1; i < picture.rows; ++i)  // row 0 is half sunk into the floor
    for (int j = 0; j < picture.n; ++j) {
      const uint8_t* p = picture.pixels + (i * picture.n + j) * 3;
      if (IsBlackPixel(p)) continue;
      const WindowPosition c = Project(standing, SquareOffset(j, picture.n, scene.unitSize),
                                       SquareOffset(i, picture.n, scene.unitSize), 0.0);
      const int x = static_cast<int>(std::floor(c.x)), y = static_cast<int>(std::floor(c.y));
      if (shot.Inside(x, y) && Hidden(scene, x, y)) continue;
      ++look.squares;
      look.matching += shot.Inside(x, y) && shot.At(x, y) == Pixel{p[0], p[1], p[2]};
    }
  // The id label at the projected centre, in the small font.
  const WindowPosition centre = Project(anchor, 0, 0, 0);
  const int sx = static_cast<int>(centre.x), sy = static_cast<int>(centre.y);
  for (int ox = -1; ox <= 1 && !look.label; ++ox)
    for (int oy = -1; oy <= 1 && !look.label; ++oy) {
      ClearOverlay();
      FormatTextLine("%d", LeaderId);
      DrawSmallText(sx + ox, sy + oy, 255, 255, 255);
      look.label = OverlayMismatches(shot, sx + ox, sy + oy - 7, sx + ox + 4, sy + oy + 1) == 0;
    }
  return look;
}

Test LeaderCheck(const Scene& scene, int cellX, int cellY, bool wanted) {
  return [scene, cellX, cellY, wanted](const Shot& shot, std::string& why) {
    const LeaderLook look = LookForLeader(shot, scene, cellX, cellY);
    why = std::to_string(look.matching) + " of " + std::to_string(look.squares) +
          " picture squares shown, id label " + (look.label ? "shown" : "not shown");
    // Other labels may cover a few squares; a picture elsewhere matches next to none.
    if (wanted) return look.squares >= 40 && look.matching * 4 >= look.squares * 3 && look.label;
    return look.matching * 4 < look.squares;
  };
}

// --- Command line. ---

// Where a line of the HUD's text (its index in the block, or "replay")
// sits; -1 (after a message) for anything else, so that a check cannot look
// where the game draws no line.
int HudLineYOf(const std::string& index) {
  if (index == "replay") return ReplayMarkY;
  if (index == "asks") return VersusAsksY;
  if (index == "connection") return ConnectionLineY;
  const bool digits = !index.empty() && index.size() <= 2 &&
                      index.find_first_not_of("0123456789") == std::string::npos;
  if (digits && std::stoi(index) < HudBlockLines) return HudLineY(std::stoi(index));
  std::fprintf(stderr, "window_driver: no HUD line \"%s\": the lines are 0 to %d, replay, asks and connection\n", index.c_str(),
               HudBlockLines - 1);
  return -1;
}

bool ParseCheck(const Scene& scene, const std::string& word, Check& check) {
  check.name = word;
  int a = 0, b = 0;
  if (const size_t equals = word.find('='); word.rfind("line:", 0) == 0 && equals != std::string::npos) {
    const int y = HudLineYOf(word.substr(5, equals - 5));
    if (y < 0) return false;
    check.test = LineCheck(scene, y, word.substr(equals + 1));
  } else if (word == "scaled") {
    check.test = [](const Shot& shot, std::string& why) {
      why = std::to_string(shot.misplaced) + " window pixels are not the frame pixel scaled there (or black off it)";
      return shot.misplaced == 0;
    };
  } else if (word == "floor") {
    check.test = FloorCheck();
  } else if (word == "title" || word == "no-title") {
    check.test = TitleCheck(word == "title");
  } else if (std::sscanf(word.c_str(), "mark@%d,%d", &a, &b) == 2) {
    check.test = MarkCheck(scene, a, b, true);
  } else if (std::sscanf(word.c_str(), "no-mark@%d,%d", &a, &b) == 2) {
    check.test = MarkCheck(scene, a, b, false);
  } else if (std::sscanf(word.c_str(), "leader@%d,%d", &a, &b) == 2) {
    check.test = LeaderCheck(scene, a, b, true);
  } else if (std::sscanf(word.c_str(), "no-leader@%d,%d", &a, &b) == 2) {
    check.test = LeaderCheck(scene, a, b, false);
  } else {
    std::fprintf(stderr, "window_driver: unknown check %s\n", word.c_str());
    return false;
  }
  return true;
}

struct Expectation {
  double within = 5.0;
  bool each = false;
  Scene scene;
  std::vector<Check> checks;
};

bool ReadView(const char* text, Scene& scene) {
  char end = 0;
  if (std::sscanf(text, "%d,%d%c", &scene.viewX, &scene.viewY, &end) == 2) return true;
  std::fprintf(stderr, "window_driver: --view wants SX,SY, not \"%s\"\n", text);
  return false;
}

bool ParseExpectation(int argc, char** argv, int first, Expectation& e) {
  std::vector<std::string> words;
  bool viewRead = true;
  for (int k = first; k < argc; ++k) {
    const std::string word = argv[k];
    if (word == "--within" && k + 1 < argc) e.within = std::atof(argv[++k]);
    else if (word == "--each") e.each = true;
    else if (word == "--view" && k + 1 < argc) viewRead = ReadView(argv[++k], e.scene);
    else if (word == "--spin" && k + 1 < argc) e.scene.spin = static_cast<float>(std::atof(argv[++k]));
    else if (word == "--size" && k + 1 < argc) e.scene.unitSize = std::strtof(argv[++k], nullptr);
    else words.push_back(word);
  }
  if (!viewRead) return false;
  for (const std::string& word : words) e.scene.title |= word == "title";
  for (const std::string& word : words) {
    Check check;
    if (!ParseCheck(e.scene, word, check)) return false;
    e.checks.push_back(check);
  }
  return !e.checks.empty();
}

// Looks again and again until one picture passes every check (or, with
// --each, until every check has passed in some picture), or time is up; then
// tells what the last picture failed.
int Await(Display* display, Window window, const Expectation& e) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration<double>(e.within);
  std::vector<bool> seen(e.checks.size());
  Shot shot;
  std::vector<std::string> failures;
  do {
    if (!Grab(display, window, shot)) {
      std::fprintf(stderr, "window_driver: cannot read the window's pixels\n");
      return 1;
    }
    failures.clear();
    for (size_t k = 0; k < e.checks.size(); ++k) {
      if (e.each && seen[k]) continue;
      std::string why;
      if (e.checks[k].test(shot, why)) seen[k] = true;
      else failures.push_back(e.checks[k].name + ": " + why);
    }
    if (failures.empty()) return 0;
    if (!e.each) seen.assign(seen.size(), false);
    Pause(10);
  } while (Clock::now() < deadline);
  for (const std::string& failure : failures)
    std::fprintf(stderr, "not seen within %g s: %s\n", e.within, failure.c_str());
  if (const char* path = std::getenv("E2E_SHOT")) WritePpm(shot, path);
  return 1;
}

std::vector<std::string> SplitKeys(const std::string& keys) {
  std::vector<std::string> names;
  for (size_t start = 0; start <= keys.size();) {
    const size_t comma = keys.find(',', start);
    names.push_back(keys.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return names;
}

int HoldUntil(Display* display, Window window, const std::string& keys, const Expectation& e) {
  const std::vector<std::string> names = SplitKeys(keys);
  size_t pressed = 0;
  int status = 0;
  for (; pressed < names.size() && status == 0; ++pressed) status = Key(display, names[pressed].c_str(), true);
  if (status == 0) status = Await(display, window, e);
  while (pressed > 0) Key(display, names[--pressed].c_str(), false);
  return status;
}

CellOffset CellUnderPointer(int x, int y) {
  MouseState.x = x, MouseState.y = y;
  map_sx = map_sy = 0;
  return MouseCell();
}

// The middle of the run of pointer positions along one axis that give `offset`.
int MiddlePosition(int offset, int extent, bool vertical) {
  int first = -1, last = -1;
  for (int p = 0; p < extent; ++p) {
    const CellOffset cell = vertical ? CellUnderPointer(0, p) : CellUnderPointer(p, 0);
    if ((vertical ? cell.dy : cell.dx) != offset) continue;
    if (first < 0) first = p;
    last = p;
  }
  return first < 0 ? -1 : (first + last) / 2;
}

// The frame pixel (x, y) (origin top-left) on the screen, in the middle of
// its block on the stage; the window need not sit at the screen's corner (M
// moves it).
int MoveOverWindow(Display* display, int x, int y) {
  const Window window = WaitForWindow(display, "VALDORIK");
  if (!window) return 1;
  const StageRect stage = ExpectedStage();
  int screen_x = 0, screen_y = 0;
  Window child;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), stage.x + (2 * x + 1) * stage.width / (2 * Width),
                        stage.y + (2 * y + 1) * stage.height / (2 * Height), &screen_x, &screen_y, &child);
  return Move(display, screen_x, screen_y);
}

void PrepareGameData() {
  AllocateOverlay();
  AllocateTextureSlots();
  LoadPicture(IntroPictureSlot);
  LoadPicture(LeaderSlot());
}

}  // namespace

int PrintNewGameView() {
  std::printf("%d %d\n", NewGameViewX, NewGameViewY);
  return 0;
}

int PrintCellPixel(int dx, int dy) {
  const int x = MiddlePosition(dx, Width, false), y = MiddlePosition(dy, Height, true);
  if (x < 0 || y < 0) return 1;
  std::printf("%d %d\n", x, y);
  return 0;
}

int RunScreenCommand(Display* display, int argc, char** argv) {
  const std::string command = argv[1];
  if (command == "mouse-cell" && argc == 4) {
    const CellOffset cell = CellUnderPointer(std::atoi(argv[2]), std::atoi(argv[3]));
    std::printf("%d %d\n", cell.dx, cell.dy);
    return 0;
  }
  if (command == "move-frame" && argc == 4) return MoveOverWindow(display, std::atoi(argv[2]), std::atoi(argv[3]));
  if (command == "point-at" && argc == 4) {
    const int x = MiddlePosition(std::atoi(argv[2]), Width, false);
    const int y = MiddlePosition(std::atoi(argv[3]), Height, true);
    if (x < 0 || y < 0) return 2;
    std::printf("%d %d\n", x, y);
    std::fflush(stdout);
    return MoveOverWindow(display, x, y);
  }
  const bool known = command == "expect" || command == "hold-until" ||
                     (command == "read-line" && argc == 3) || (command == "screenshot" && argc == 3);
  if (!known) return -1;
  const int line_y = command == "read-line" ? HudLineYOf(argv[2]) : 0;
  if (line_y < 0) return 2;
  PrepareGameData();
  // Checks are read before the window is awaited: a bad one is told at once.
  Expectation e;
  const bool hold = command == "hold-until", checks = hold || command == "expect";
  if (hold && argc < 4) return 2;
  if (checks && !ParseExpectation(argc, argv, hold ? 3 : 2, e)) return 2;
  const Window window = WaitForWindow(display, "VALDORIK");
  if (!window) return 1;
  if (command == "read-line" || command == "screenshot") {
    Shot shot;
    if (!Grab(display, window, shot)) return 1;
    if (command == "screenshot") return WritePpm(shot, argv[2]) ? 0 : 1;
    std::printf("%s\n", ReadLine(shot, line_y).c_str());
    return 0;
  }
  return hold ? HoldUntil(display, window, argv[2], e) : Await(display, window, e);
}
