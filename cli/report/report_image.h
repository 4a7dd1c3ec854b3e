// The picture of a fit report: how far plain linear skinning lands from the
// Delta Mush result, per vertex, before and after solving Skin weights.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "sdk/point3.h"

struct ReportView {
  std::vector<Point3> positions;
  std::vector<std::array<int, 3>> triangles;      // indices into positions
  std::vector<float> errorBefore, errorAfter;     // per vertex, scene units
  // Per vertex, or empty: 1 where the vertex kept the file's weights; drawn
  // in their own colour in the after row, with their count beside the scale.
  std::vector<char> kept;
  std::string title;
  std::string subtitle;  // a smaller line under the title, or empty
};

// The picture is a 2 x 2 grid of panels: rows before / after, columns front /
// side, all coloured on one shared scale drawn as a bar on the right.
//   front: looking down -Z onto the XY plane (+X right, +Y up, viewer on +Z);
//   side:  looking along -X from the viewer on +X (-Z right, +Y up).
// Both views use the same pixels per scene unit, so they can be compared.
constexpr int kFitReportWidth = 1200, kFitReportHeight = 900;

struct ReportPanel {
  int x = 0, y = 0, width = 0, height = 0;  // pixels from the top left, frame included
};
// row 0 = before, 1 = after; column 0 = front, 1 = side.
ReportPanel FitReportPanel(int row, int column);

// Top of the colour scale: the largest finite error of both sets; 1 when there
// is none above zero, so an all-zero fit reads as a flat 0 on a 0..1 scale.
// Negative errors count as 0.
float FitReportScaleMax(const ReportView& view);

// PNG bytes of the picture. False with a message when the view cannot be drawn:
// array sizes that disagree, triangle indices outside positions, no triangles,
// or no triangle whose corners are all finite. Triangles touching a non-finite
// position are left out; vertices with a non-finite error are drawn grey.
bool EncodeFitReportPng(const ReportView& view, std::string& png, std::string& error);

// Encodes the picture and writes it to path atomically: on failure path is
// untouched and error says why.
bool WriteFitReportPng(const ReportView& view, const std::string& path, std::string& error);
