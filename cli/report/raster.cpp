#include "cli/report/raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <limits>
#include <new>
#include <png.h>

Image::Image(int width, int height, Rgb fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * height_ * 3) {
  FillRect(0, 0, width_, height_, fill);
}

void Image::Set(int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t* p = pixels_.data() + (static_cast<size_t>(y) * width_ + x) * 3;
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
}

Rgb Image::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const std::uint8_t* p = pixels_.data() + (static_cast<size_t>(y) * width_ + x) * 3;
  return {p[0], p[1], p[2]};
}

void Image::FillRect(int x, int y, int w, int h, Rgb c) {
  const int xa = std::max(x, 0), xb = std::min(x + w, width_);
  const int ya = std::max(y, 0), yb = std::min(y + h, height_);
  for (int py = ya; py < yb; ++py)
    for (int px = xa; px < xb; ++px) Set(px, py, c);
}

void Image::FrameRect(int x, int y, int w, int h, Rgb c) {
  if (w <= 0 || h <= 0) return;
  FillRect(x, y, w, 1, c);
  FillRect(x, y + h - 1, w, 1, c);
  FillRect(x, y, 1, h, c);
  FillRect(x + w - 1, y, 1, h, c);
}

Rgb ScaleColour(Rgb c, float shade) {
  const float s = std::clamp(std::isfinite(shade) ? shade : 0.0f, 0.0f, 1.0f);
  auto ch = [s](std::uint8_t v) { return static_cast<std::uint8_t>(std::lround(v * s)); };
  return {ch(c.r), ch(c.g), ch(c.b)};
}

DepthTarget::DepthTarget(Image& image, int x, int y, int w, int h)
    : image_(image), x0_(x), y0_(y), w_(std::max(w, 0)), h_(std::max(h, 0)),
      depth_(static_cast<size_t>(w_) * h_, -std::numeric_limits<float>::infinity()) {}

void DepthTarget::Plot(int px, int py, float depth, Rgb c) {
  if (px < x0_ || py < y0_ || px >= x0_ + w_ || py >= y0_ + h_) return;
  float& d = depth_[static_cast<size_t>(py - y0_) * w_ + (px - x0_)];
  if (!(depth > d)) return;
  d = depth;
  image_.Set(px, py, c);
}

static bool Finite(const RasterVertex& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.depth) && std::isfinite(v.value);
}

void DepthTarget::Triangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                           ValueColour colour, float shade) {
  if (!Finite(a) || !Finite(b) || !Finite(c)) return;
  const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  const float longest = std::max({std::hypot(b.x - a.x, b.y - a.y), std::hypot(c.x - b.x, c.y - b.y),
                                  std::hypot(a.x - c.x, a.y - c.y)});
  // Twice the area over the longest edge is the triangle's height in pixels.
  if (!(longest > 0.0f) || std::fabs(area) < longest) {
    Line(a, b, colour, shade);
    Line(b, c, colour, shade);
    Line(c, a, colour, shade);
    return;
  }
  // Clamp in float before converting so far-off corners cannot overflow an int.
  auto lo = [](float v, int lim0, int lim1) {
    return static_cast<int>(std::clamp(std::floor(v), float(lim0), float(lim1)));
  };
  const int xa = lo(std::min({a.x, b.x, c.x}), x0_, x0_ + w_);
  const int xb = lo(std::max({a.x, b.x, c.x}), x0_ - 1, x0_ + w_ - 1);
  const int ya = lo(std::min({a.y, b.y, c.y}), y0_, y0_ + h_);
  const int yb = lo(std::max({a.y, b.y, c.y}), y0_ - 1, y0_ + h_ - 1);
  const float sign = area > 0.0f ? 1.0f : -1.0f, inv = 1.0f / std::fabs(area);
  // Twice the signed area of (p, u, v). A neighbour sharing the edge u-v gets
  // exactly the negated value, so no pixel centre on the edge is missed by both.
  auto edge = [sign](const RasterVertex& u, const RasterVertex& v, float sx, float sy) {
    return sign * ((u.x - sx) * (v.y - sy) - (u.y - sy) * (v.x - sx));
  };
  for (int py = ya; py <= yb; ++py) {
    const float sy = py + 0.5f;
    for (int px = xa; px <= xb; ++px) {
      const float sx = px + 0.5f;
      const float ea = edge(b, c, sx, sy), eb = edge(c, a, sx, sy), ec = edge(a, b, sx, sy);
      if (ea < 0.0f || eb < 0.0f || ec < 0.0f) continue;
      const float wa = ea * inv, wb = eb * inv, wc = ec * inv;
      const float depth = wa * a.depth + wb * b.depth + wc * c.depth;
      const float value = wa * a.value + wb * b.value + wc * c.value;
      Plot(px, py, depth, ScaleColour(colour(value), shade));
    }
  }
}

void DepthTarget::Line(const RasterVertex& a, const RasterVertex& b, ValueColour colour, float shade) {
  if (!Finite(a) || !Finite(b)) return;
  const float span = std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y));
  const float limit = 4.0f * static_cast<float>(w_ + h_ + 1);
  const int steps = static_cast<int>(std::ceil(std::min(span, limit)));
  for (int i = 0; i <= steps; ++i) {
    const float t = steps == 0 ? 0.0f : static_cast<float>(i) / steps;
    const float x = a.x + (b.x - a.x) * t, y = a.y + (b.y - a.y) * t;
    if (x < x0_ || y < y0_ || x >= x0_ + w_ || y >= y0_ + h_) continue;
    const float depth = a.depth + (b.depth - a.depth) * t;
    const float value = a.value + (b.value - a.value) * t;
    Plot(static_cast<int>(x), static_cast<int>(y), depth, ScaleColour(colour(value), shade));
  }
}

namespace {

struct Glyph {
  char ch;
  std::array<std::uint8_t, kGlyphHeight> rows;  // bit 4 is the leftmost column
};

constexpr Glyph kFont[] = {
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    {'!', {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04}},
    {'"', {0x0A, 0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {'$', {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04}},
    {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'&', {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}},
    {'\'', {0x04, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
    {'*', {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {';', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x04, 0x08}},
    {'<', {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02}},
    {'=', {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00}},
    {'>', {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}},
    {'?', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04}},
    {'@', {0x0E, 0x11, 0x01, 0x0D, 0x15, 0x15, 0x0E}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'[', {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E}},
    {']', {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
    {'b', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E}},
    {'c', {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E}},
    {'d', {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}},
    {'f', {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08}},
    {'g', {0x00, 0x00, 0x0F, 0x11, 0x0F, 0x01, 0x0E}},
    {'h', {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}},
    {'j', {0x02, 0x00, 0x06, 0x02, 0x02, 0x12, 0x0C}},
    {'k', {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12}},
    {'l', {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'m', {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11}},
    {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}},
    {'p', {0x00, 0x00, 0x1E, 0x11, 0x1E, 0x10, 0x10}},
    {'q', {0x00, 0x00, 0x0D, 0x13, 0x0F, 0x01, 0x01}},
    {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
    {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}},
    {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}},
    {'v', {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'w', {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A}},
    {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
    {'y', {0x00, 0x00, 0x11, 0x11, 0x0F, 0x01, 0x0E}},
    {'z', {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F}},
    {'|', {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'~', {0x00, 0x00, 0x08, 0x15, 0x02, 0x00, 0x00}},
};

const Glyph& FindGlyph(char ch) {
  static const std::array<const Glyph*, 128> table = [] {
    std::array<const Glyph*, 128> t{};
    for (const Glyph& g : kFont) t[static_cast<unsigned char>(g.ch)] = &g;
    return t;
  }();
  const unsigned char u = static_cast<unsigned char>(ch);
  if (u < 128 && table[u]) return *table[u];
  return *table['?'];
}

}  // namespace

int TextWidth(const std::string& text, int scale) {
  if (text.empty()) return 0;
  return (static_cast<int>(text.size()) * kGlyphAdvance - 1) * scale;
}

void DrawText(Image& image, int x, int y, const std::string& text, int scale, Rgb c) {
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph& g = FindGlyph(text[i]);
    const int gx = x + static_cast<int>(i) * kGlyphAdvance * scale;
    for (int row = 0; row < kGlyphHeight; ++row)
      for (int col = 0; col < kGlyphWidth; ++col)
        if (g.rows[row] & (0x10 >> col)) image.FillRect(gx + col * scale, y + row * scale, scale, scale, c);
  }
}

namespace {

struct PngSink {
  std::string* out = nullptr;
  bool outOfMemory = false;
  char message[256] = {};
};

void PngError(png_structp png, png_const_charp msg) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", msg ? msg : "unknown error");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// No exception may cross libpng's C frames, so a failed append is only noted.
void PngWriteData(png_structp png, png_bytep data, png_size_t size) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  if (sink->outOfMemory) return;
  try {
    sink->out->append(reinterpret_cast<const char*>(data), size);
  } catch (const std::bad_alloc&) {
    sink->outOfMemory = true;
  }
}

void PngFlush(png_structp) {}

}  // namespace

bool EncodePng(const Image& image, std::string& png, std::string& error) {
  png.clear();
  if (image.Width() <= 0 || image.Height() <= 0) {
    error = "cannot encode an empty image";
    return false;
  }
  std::vector<png_bytep> rows(static_cast<size_t>(image.Height()));
  for (int y = 0; y < image.Height(); ++y) rows[y] = const_cast<png_bytep>(image.Row(y));
  PngSink sink;
  sink.out = &png;
  png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, PngError, PngWarning);
  if (!writer) {
    error = "cannot start the PNG encoder";
    return false;
  }
  png_infop info = png_create_info_struct(writer);
  if (!info) {
    png_destroy_write_struct(&writer, nullptr);
    error = "cannot start the PNG encoder";
    return false;
  }
  if (setjmp(png_jmpbuf(writer))) {
    png_destroy_write_struct(&writer, &info);
    error = std::string("PNG encoding failed: ") + sink.message;
    png.clear();
    return false;
  }
  png_set_write_fn(writer, &sink, PngWriteData, PngFlush);
  png_set_IHDR(writer, info, static_cast<png_uint_32>(image.Width()), static_cast<png_uint_32>(image.Height()),
               8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(writer, info);
  png_write_image(writer, rows.data());
  png_write_end(writer, nullptr);
  png_destroy_write_struct(&writer, &info);
  if (sink.outOfMemory) {
    error = "PNG encoding failed: out of memory";
    png.clear();
    return false;
  }
  return true;
}
