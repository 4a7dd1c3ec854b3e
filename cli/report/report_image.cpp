#include "cli/report/report_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "cli/files/atomic_file.h"
#include "cli/report/raster.h"

namespace {

// Layout of the 1200 x 900 picture, in pixels.
constexpr int kPanelLeft = 96, kPanelTop = 84, kPanelWidth = 450, kPanelHeight = 390, kPanelGap = 16;
constexpr int kBarX = 1036, kBarY = 124, kBarWidth = 26, kBarHeight = 716;
constexpr float kFitMargin = 0.08f;  // of the panel, on each side of the mesh
constexpr float kAmbient = 0.35f;    // keeps faces seen edge-on from going black

constexpr Rgb kWhite{255, 255, 255}, kInk{40, 40, 40}, kFrame{205, 205, 205}, kNoValue{150, 150, 150};
// Off the ramp: no error value means these vertices.
constexpr Rgb kKept{200, 40, 200};

// Blue through pale yellow to red; stops evenly spaced from 0 to 1. Lightness
// rises to the middle and falls again, so both ends stand out on white.
constexpr Rgb kRamp[] = {{49, 54, 149},   {69, 117, 180}, {116, 173, 209}, {171, 217, 233}, {254, 224, 144},
                         {253, 174, 97},  {244, 109, 67}, {215, 48, 39},   {165, 0, 38}};
constexpr int kRampStops = static_cast<int>(std::size(kRamp));

Rgb RampColour(float t) {
  if (!std::isfinite(t)) return kNoValue;
  t = std::clamp(t, 0.0f, 1.0f) * (kRampStops - 1);
  const int i = std::min(static_cast<int>(t), kRampStops - 2);
  const float f = t - i;
  auto mix = [f](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
  };
  return {mix(kRamp[i].r, kRamp[i + 1].r), mix(kRamp[i].g, kRamp[i + 1].g), mix(kRamp[i].b, kRamp[i + 1].b)};
}

Rgb NoValueColour(float) { return kNoValue; }
Rgb KeptColour(float) { return kKept; }

struct ViewAxes {
  // Screen right, screen up and towards the viewer, as world axes with signs.
  int right, rightSign, up, toward;
};
constexpr ViewAxes kFront{0, +1, 1, 2};  // +X right, +Y up, viewer on +Z
constexpr ViewAxes kSide{2, -1, 1, 0};   // -Z right, +Y up, viewer on +X

struct Bounds {
  double lo[3] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                  std::numeric_limits<double>::infinity()};
  double hi[3] = {-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                  -std::numeric_limits<double>::infinity()};
  void Add(const Point3& p) {
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], double(p[k]));
      hi[k] = std::max(hi[k], double(p[k]));
    }
  }
  double Extent(int k) const { return hi[k] - lo[k]; }
  double Centre(int k) const { return 0.5 * (lo[k] + hi[k]); }
};

// Drops control characters and shows each non-ASCII character as one '?', then
// shortens the text to max characters.
std::string Printable(const std::string& text, size_t max) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x80 && c < 0xC0) continue;  // UTF-8 continuation byte
    out += c >= 0x80 ? '?' : (c < 0x20 || c == 0x7F) ? ' ' : static_cast<char>(c);
  }
  if (out.size() > max) out = out.substr(0, max - 3) + "...";
  return out;
}

std::string FormatNumber(double v, double step) {
  char buf[32];
  const int decimals = step > 0 ? std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9))) : 0;
  if (decimals > 6 || std::fabs(v) >= 1e6)
    std::snprintf(buf, sizeof buf, "%.3g", v);
  else
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// 1, 2 or 5 times a power of ten, giving three to seven ticks up to max.
double TickStep(double max) {
  const double raw = max / 5.0;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  const double n = raw / mag;
  return (n < 1.5 ? 1.0 : n < 3.5 ? 2.0 : n < 7.5 ? 5.0 : 10.0) * mag;
}

float DataMax(const ReportView& view) {
  float m = 0.0f;
  for (const auto* set : {&view.errorBefore, &view.errorAfter})
    for (float e : *set)
      if (std::isfinite(e)) m = std::max(m, e);
  return m;
}

bool Check(const ReportView& view, std::string& error) {
  const size_t n = view.positions.size();
  for (const auto& [set, name] : {std::pair{&view.errorBefore, "errorBefore"}, std::pair{&view.errorAfter, "errorAfter"}}) {
    if (set->size() != n) {
      error = std::string("fit report: ") + name + " has " + std::to_string(set->size()) + " values for " +
              std::to_string(n) + " vertices";
      return false;
    }
  }
  if (!view.kept.empty() && view.kept.size() != n) {
    error = "fit report: kept has " + std::to_string(view.kept.size()) + " values for " + std::to_string(n) +
            " vertices";
    return false;
  }
  if (view.triangles.empty()) {
    error = "fit report: the mesh has no triangles to draw";
    return false;
  }
  for (size_t t = 0; t < view.triangles.size(); ++t)
    for (int v : view.triangles[t])
      if (v < 0 || static_cast<size_t>(v) >= n) {
        error = "fit report: triangle " + std::to_string(t) + " names vertex " + std::to_string(v) + " of " +
                std::to_string(n);
        return false;
      }
  return true;
}

void DrawPanel(Image& image, const ReportPanel& panel, const ViewAxes& axes, const ReportView& view,
               const std::vector<float>& errors, const std::vector<char>* kept, const std::vector<char>& drawable,
               const Bounds& box, double pixelsPerUnit, float scaleMax) {
  image.FrameRect(panel.x, panel.y, panel.width, panel.height, kFrame);
  DepthTarget target(image, panel.x + 1, panel.y + 1, panel.width - 2, panel.height - 2);
  const double cx = panel.x + 0.5 * panel.width, cy = panel.y + 0.5 * panel.height;
  const double uc = box.Centre(axes.right), wc = box.Centre(axes.up);
  Point3 toward;
  toward[axes.toward] = 1.0f;
  auto corner = [&](int v) {
    const Point3& p = view.positions[v];
    RasterVertex r;
    r.x = static_cast<float>(cx + axes.rightSign * (p[axes.right] - uc) * pixelsPerUnit);
    r.y = static_cast<float>(cy - (p[axes.up] - wc) * pixelsPerUnit);
    r.depth = p[axes.toward];
    r.value = std::max(errors[v], 0.0f) / scaleMax;
    return r;
  };
  for (size_t t = 0; t < view.triangles.size(); ++t) {
    if (!drawable[t]) continue;
    const auto& tri = view.triangles[t];
    const Point3 n = Normalize(CrossProd(view.positions[tri[1]] - view.positions[tri[0]],
                                         view.positions[tri[2]] - view.positions[tri[0]]));
    const float shade = kAmbient + (1.0f - kAmbient) * std::fabs(n % toward);
    RasterVertex a = corner(tri[0]), b = corner(tri[1]), c = corner(tri[2]);
    const bool known = std::isfinite(a.value) && std::isfinite(b.value) && std::isfinite(c.value);
    const bool keeps = kept && ((*kept)[tri[0]] || (*kept)[tri[1]] || (*kept)[tri[2]]);
    if (!known) a.value = b.value = c.value = 0.0f;
    target.Triangle(a, b, c, keeps ? KeptColour : known ? RampColour : NoValueColour, shade);
  }
}

void DrawKeptLegend(Image& image, size_t count) {
  const int y = kBarY + kBarHeight + 12 + 2 * kGlyphHeight + 10;
  image.FillRect(kBarX, y, 14, 14, kKept);
  DrawText(image, kBarX + 20, y, "kept " + std::to_string(count), 2, kInk);
}

void DrawScale(Image& image, float scaleMax, float dataMax) {
  DrawText(image, kBarX, kPanelTop - 22, "error", 2, kInk);
  for (int y = 0; y < kBarHeight; ++y) {
    const float t = 1.0f - static_cast<float>(y) / (kBarHeight - 1);
    image.FillRect(kBarX, kBarY + y, kBarWidth, 1, RampColour(t));
  }
  image.FrameRect(kBarX - 1, kBarY - 1, kBarWidth + 2, kBarHeight + 2, kInk);
  const double step = TickStep(scaleMax);
  for (int k = 0; k * step <= scaleMax * (1.0 + 1e-6); ++k) {
    const double v = k * step;
    const int y = kBarY + kBarHeight - 1 - static_cast<int>(std::lround(v / scaleMax * (kBarHeight - 1)));
    // A gap after the short tick keeps it from reading as a minus sign.
    image.FillRect(kBarX + kBarWidth + 1, y, 4, 1, kInk);
    DrawText(image, kBarX + kBarWidth + 15, y - kGlyphHeight, FormatNumber(v, step), 2, kInk);
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3g", dataMax);
  DrawText(image, kBarX, kBarY + kBarHeight + 12, dataMax > 0.0f ? std::string("max ") + buf : "all zero", 2,
           kInk);
}

}  // namespace

ReportPanel FitReportPanel(int row, int column) {
  return {kPanelLeft + column * (kPanelWidth + kPanelGap), kPanelTop + row * (kPanelHeight + kPanelGap),
          kPanelWidth, kPanelHeight};
}

float FitReportScaleMax(const ReportView& view) {
  const float m = DataMax(view);
  return m > 0.0f && std::isfinite(1.0f / m) ? m : 1.0f;
}

bool EncodeFitReportPng(const ReportView& view, std::string& png, std::string& error) {
  if (!Check(view, error)) return false;
  std::vector<char> drawable(view.triangles.size(), 0);
  Bounds box;
  bool any = false;
  for (size_t t = 0; t < view.triangles.size(); ++t) {
    const auto& tri = view.triangles[t];
    if (!IsFinite(view.positions[tri[0]]) || !IsFinite(view.positions[tri[1]]) || !IsFinite(view.positions[tri[2]]))
      continue;
    drawable[t] = 1;
    any = true;
    for (int v : tri) box.Add(view.positions[v]);
  }
  if (!any) {
    error = "fit report: no triangle has finite corners";
    return false;
  }

  // One scale for both views: the widest of X and Z across, Y up.
  const double innerW = (kPanelWidth - 2) * (1.0 - 2.0 * kFitMargin);
  const double innerH = (kPanelHeight - 2) * (1.0 - 2.0 * kFitMargin);
  double pixelsPerUnit = std::numeric_limits<double>::infinity();
  for (auto [extent, room] : {std::pair{box.Extent(0), innerW}, std::pair{box.Extent(2), innerW},
                              std::pair{box.Extent(1), innerH}})
    if (extent > 0.0) pixelsPerUnit = std::min(pixelsPerUnit, room / extent);
  if (!std::isfinite(pixelsPerUnit)) pixelsPerUnit = 1.0;  // every corner in one spot

  const float scaleMax = FitReportScaleMax(view);
  Image image(kFitReportWidth, kFitReportHeight, kWhite);
  const std::string title = Printable(view.title, (kFitReportWidth - 32) / (kGlyphAdvance * 3));
  DrawText(image, (kFitReportWidth - TextWidth(title, 3)) / 2, 18, title, 3, kInk);
  if (!view.subtitle.empty()) {
    const std::string sub = Printable(view.subtitle, (kFitReportWidth - 32) / (kGlyphAdvance * 2));
    DrawText(image, (kFitReportWidth - TextWidth(sub, 2)) / 2, 44, sub, 2, kInk);
  }
  const char* columnNames[2] = {"front", "side"};
  const char* rowNames[2] = {"before", "after"};
  for (int row = 0; row < 2; ++row) {
    const ReportPanel p = FitReportPanel(row, 0);
    DrawText(image, (kPanelLeft - TextWidth(rowNames[row], 2)) / 2, p.y + p.height / 2 - kGlyphHeight,
             rowNames[row], 2, kInk);
  }
  for (int column = 0; column < 2; ++column) {
    const ReportPanel p = FitReportPanel(0, column);
    DrawText(image, p.x + (p.width - TextWidth(columnNames[column], 2)) / 2, kPanelTop - 22,
             columnNames[column], 2, kInk);
  }
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 2; ++column)
      DrawPanel(image, FitReportPanel(row, column), column == 0 ? kFront : kSide, view,
                row == 0 ? view.errorBefore : view.errorAfter, row == 1 && !view.kept.empty() ? &view.kept : nullptr,
                drawable, box, pixelsPerUnit, scaleMax);
  DrawScale(image, scaleMax, DataMax(view));
  const size_t kept = static_cast<size_t>(std::count(view.kept.begin(), view.kept.end(), 1));
  if (kept > 0) DrawKeptLegend(image, kept);
  return EncodePng(image, png, error);
}

bool WriteFitReportPng(const ReportView& view, const std::string& path, std::string& error) {
  std::string png;
  if (!EncodeFitReportPng(view, png, error)) return false;
  return WriteFileAtomically(path, png, error);
}
