// A small software rasteriser for report pictures: an RGB image, depth-tested
// triangles and lines with an interpolated scalar, and a 5x7 bitmap font.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// 8-bit RGB, rows top to bottom. Writes outside the image are dropped.
class Image {
 public:
  Image(int width, int height, Rgb fill);
  int Width() const { return width_; }
  int Height() const { return height_; }
  void Set(int x, int y, Rgb c);
  Rgb Get(int x, int y) const;
  void FillRect(int x, int y, int w, int h, Rgb c);
  void FrameRect(int x, int y, int w, int h, Rgb c);  // 1-pixel outline
  const std::uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_ * 3; }

 private:
  int width_, height_;
  std::vector<std::uint8_t> pixels_;
};

// A corner in image pixels (y down); depth grows towards the viewer.
struct RasterVertex {
  float x = 0.0f, y = 0.0f, depth = 0.0f;
  float value = 0.0f;  // interpolated across the triangle, then coloured
};

// Maps an interpolated value to a colour; shade scales it (0..1).
using ValueColour = Rgb (*)(float value);

// A rectangle of the image with its own depth buffer; drawing is clipped to it.
class DepthTarget {
 public:
  DepthTarget(Image& image, int x, int y, int w, int h);
  // Fills the pixels whose centres lie inside the triangle. Triangles thinner
  // than a pixel (seen edge-on) are drawn as their outline so they still show.
  void Triangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                ValueColour colour, float shade);
  void Line(const RasterVertex& a, const RasterVertex& b, ValueColour colour, float shade);

 private:
  void Plot(int px, int py, float depth, Rgb c);
  Image& image_;
  int x0_, y0_, w_, h_;
  std::vector<float> depth_;
};

Rgb ScaleColour(Rgb c, float shade);

// The built-in 5x7 font, each glyph scaled up by an integer factor. Characters
// it lacks are drawn as '?'.
constexpr int kGlyphWidth = 5, kGlyphHeight = 7, kGlyphAdvance = 6;
int TextWidth(const std::string& text, int scale);
void DrawText(Image& image, int x, int y, const std::string& text, int scale, Rgb c);

// PNG bytes of the image (8-bit RGB). False with libpng's message on failure.
bool EncodePng(const Image& image, std::string& png, std::string& error);
