// The perspective of the whole run: 45 degrees, near 0.1, far 100, all as
// single-precision values widened to double. The first frames use 4:3
// whatever the client size; from the first resize on, the client's own.
#pragma once

constexpr double FieldOfView = 45.0;
constexpr double NearPlane = 0.1f;
constexpr double FarPlane = 100.0;
constexpr float StartAspect = 4.0f / 3.0f;

// Projection and model-view matrices for the start; no viewport is set, so
// GL's default (the whole window) holds until the first resize.
void SetInitialProjection(int width, int height);
// Viewport and projection for a new client size; a height of 0 counts as 1.
void ResizeScene(int width, int height);
