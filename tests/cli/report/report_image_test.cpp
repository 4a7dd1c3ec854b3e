// The fit report picture, checked by decoding the PNG it writes.
#include "cli/report/report_image.h"

#include "cli/commands/bake_command.h"
#include "cli/sample_characters/demo_character.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace {

struct Pixel {
  int r = 0, g = 0, b = 0;
};

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  Pixel At(int x, int y) const {
    const std::uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
    return {p[0], p[1], p[2]};
  }
  bool White(int x, int y) const {
    const Pixel p = At(x, y);
    return p.r == 255 && p.g == 255 && p.b == 255;
  }
};

bool Finish(png_image& img, Picture& pic) {
  img.format = PNG_FORMAT_RGB;
  pic.width = static_cast<int>(img.width);
  pic.height = static_cast<int>(img.height);
  pic.rgb.resize(PNG_IMAGE_SIZE(img));
  if (png_image_finish_read(&img, nullptr, pic.rgb.data(), 0, nullptr)) return true;
  png_image_free(&img);
  return false;
}

Picture DecodeFile(const std::string& path) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  Picture pic;
  EXPECT_TRUE(png_image_begin_read_from_file(&img, path.c_str()) && Finish(img, pic)) << img.message;
  return pic;
}

Picture Render(const ReportView& view) {
  std::string png, error;
  EXPECT_TRUE(EncodeFitReportPng(view, png, error)) << error;
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  Picture pic;
  EXPECT_TRUE(png_image_begin_read_from_memory(&img, png.data(), png.size()) && Finish(img, pic)) << img.message;
  return pic;
}

// Pixels drawn inside a panel, its frame left out.
struct Extent {
  int x0 = std::numeric_limits<int>::max(), y0 = std::numeric_limits<int>::max(), x1 = -1, y1 = -1;
  int Width() const { return x1 - x0 + 1; }
  int Height() const { return y1 - y0 + 1; }
};
Extent Drawn(const Picture& pic, const ReportPanel& p) {
  Extent e;
  for (int y = p.y + 1; y < p.y + p.height - 1; ++y)
    for (int x = p.x + 1; x < p.x + p.width - 1; ++x)
      if (!pic.White(x, y)) {
        e.x0 = std::min(e.x0, x);
        e.y0 = std::min(e.y0, y);
        e.x1 = std::max(e.x1, x);
        e.y1 = std::max(e.y1, y);
      }
  return e;
}

// The ramp's stops at 0, 1/4, 1/2, 3/4 and 1.
constexpr Pixel kAt0{49, 54, 149}, kAtQuarter{116, 173, 209}, kAtHalf{254, 224, 144},
    kAtThreeQuarters{244, 109, 67}, kAt1{165, 0, 38};

void ExpectColour(const Picture& pic, int x, int y, Pixel want, const char* what) {
  const Pixel got = pic.At(x, y);
  EXPECT_NEAR(got.r, want.r, 3) << what << " at " << x << "," << y;
  EXPECT_NEAR(got.g, want.g, 3) << what << " at " << x << "," << y;
  EXPECT_NEAR(got.b, want.b, 3) << what << " at " << x << "," << y;
}

// The unit square in the XY plane split along (0,0)-(1,1). Before, the error
// is x + y (0 to 2); after, it is half that, so on the shared 0..2 scale the
// centre reads 1/2 before and 1/4 after.
ReportView UnitSquare() {
  ReportView v;
  v.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  v.triangles = {{0, 1, 2}, {0, 2, 3}};
  v.errorBefore = {0, 1, 2, 1};
  v.errorAfter = {0, 0.5f, 1, 0.5f};
  v.title = "unit square";
  return v;
}

// A square of side 1 at depth z, facing +Z, with one error everywhere.
void AddSquareAtZ(ReportView& v, float z, float err) {
  const int base = static_cast<int>(v.positions.size());
  for (Point3 p : {Point3{0, 0, z}, Point3{1, 0, z}, Point3{1, 1, z}, Point3{0, 1, z}}) v.positions.push_back(p);
  v.triangles.push_back({base, base + 1, base + 2});
  v.triangles.push_back({base, base + 2, base + 3});
  for (int i = 0; i < 4; ++i) {
    v.errorBefore.push_back(err);
    v.errorAfter.push_back(err);
  }
}

int CentreX(const ReportPanel& p) { return p.x + p.width / 2; }
int CentreY(const ReportPanel& p) { return p.y + p.height / 2; }

}  // namespace

TEST(FitReportPicture, SizeBackgroundAndFit) {
  const Picture pic = Render(UnitSquare());
  ASSERT_EQ(pic.width, kFitReportWidth);
  ASSERT_EQ(pic.height, kFitReportHeight);
  EXPECT_EQ(pic.width, 1200);
  EXPECT_EQ(pic.height, 900);
  // Image corners and the empty corners inside a panel are white.
  for (auto [x, y] : {std::pair{0, 0}, std::pair{1199, 0}, std::pair{0, 899}, std::pair{1199, 899}})
    EXPECT_TRUE(pic.White(x, y)) << x << "," << y;
  const ReportPanel front = FitReportPanel(0, 0);
  EXPECT_TRUE(pic.White(front.x + 5, front.y + 5));
  EXPECT_TRUE(pic.White(front.x + front.width - 6, front.y + front.height - 6));

  // The square stays square, is centred and leaves a margin on the short side.
  const Extent e = Drawn(pic, front);
  EXPECT_NEAR(e.Width(), e.Height(), 1);
  EXPECT_NEAR(0.5 * (e.x0 + e.x1), CentreX(front), 1.0);
  EXPECT_NEAR(0.5 * (e.y0 + e.y1), CentreY(front), 1.0);
  EXPECT_GT(e.y0, front.y + 10);
  EXPECT_GT(e.Height(), front.height * 3 / 4);
}

TEST(FitReportPicture, FrontColoursFollowTheInterpolatedError) {
  const Picture pic = Render(UnitSquare());
  const ReportPanel before = FitReportPanel(0, 0), after = FitReportPanel(1, 0);
  // Centre: error 1 of 2 before, 0.5 of 2 after (one scale for both rows).
  ExpectColour(pic, CentreX(before), CentreY(before), kAtHalf, "before centre");
  ExpectColour(pic, CentreX(after), CentreY(after), kAtQuarter, "after centre");

  // (0.25, 0.25) has error 0.5 and (0.75, 0.75) error 1.5; +Y is up on screen.
  const Extent e = Drawn(pic, before);
  auto at = [&](double fx, double fy) {
    return std::pair{static_cast<int>(e.x0 + fx * e.Width()), static_cast<int>(e.y1 - fy * e.Height())};
  };
  auto [qx, qy] = at(0.25, 0.25);
  ExpectColour(pic, qx, qy, kAtQuarter, "before (0.25,0.25)");
  auto [tx, ty] = at(0.75, 0.75);
  ExpectColour(pic, tx, ty, kAtThreeQuarters, "before (0.75,0.75)");
  // Near the corners the ends of the ramp show: (0,0) is 0 and (1,1) is the max.
  ExpectColour(pic, e.x0, e.y1, kAt0, "before, corner (0,0)");
  ExpectColour(pic, e.x1, e.y0, kAt1, "before, corner (1,1)");
  // Just above the square is background.
  EXPECT_TRUE(pic.White(CentreX(before), e.y0 - 3));
}

// Vertices that kept the file's weights have no solved error to show: in the
// after row every triangle touching one takes their own colour, and the
// scale says how many there are. The before row is as it was.
TEST(FitReportPicture, KeptVerticesStandOutAfterAndAreCounted) {
  ReportView v = UnitSquare();
  const Picture plain = Render(v);
  v.kept = {0, 0, 0, 1};  // vertex 3 at (0, 1): the upper-left triangle
  const Picture pic = Render(v);
  const Pixel kept{200, 40, 200};
  const ReportPanel before = FitReportPanel(0, 0), after = FitReportPanel(1, 0);
  const Extent e = Drawn(pic, after);
  auto at = [&](const Extent& x, double fx, double fy) {
    return std::pair{static_cast<int>(x.x0 + fx * x.Width()), static_cast<int>(x.y1 - fy * x.Height())};
  };
  auto [ux, uy] = at(e, 0.25, 0.75);
  ExpectColour(pic, ux, uy, kept, "after, kept triangle");
  auto [lx, ly] = at(e, 0.75, 0.25);
  ExpectColour(pic, lx, ly, plain.At(lx, ly), "after, solved triangle");
  const Extent b = Drawn(pic, before);
  auto [bx, by] = at(b, 0.25, 0.75);
  ExpectColour(pic, bx, by, plain.At(bx, by), "before");
  int legend = 0, legendBefore = 0;
  for (int y = 840; y < kFitReportHeight; ++y)
    for (int x = 1000; x < kFitReportWidth; ++x) {
      const Pixel p = pic.At(x, y), q = plain.At(x, y);
      legend += p.r == kept.r && p.g == kept.g && p.b == kept.b;
      legendBefore += q.r == kept.r && q.g == kept.g && q.b == kept.b;
    }
  EXPECT_GT(legend, 100) << "a swatch of the kept colour beside the scale";
  EXPECT_EQ(legendBefore, 0);
  std::string png, error;
  v.kept = {0, 1};
  EXPECT_FALSE(EncodeFitReportPng(v, png, error));
  EXPECT_EQ(error, "fit report: kept has 2 values for 4 vertices");
}

TEST(FitReportPicture, SharedEdgesLeaveNoGaps) {
  // Pixel centres on the diagonal belong to one triangle or the other, never neither.
  ReportView v = UnitSquare();
  v.errorBefore = v.errorAfter = {0, 0, 0, 0};
  const Picture pic = Render(v);
  for (int row = 0; row < 2; ++row) {
    const Extent e = Drawn(pic, FitReportPanel(row, 0));
    int holes = 0;
    for (int y = e.y0; y <= e.y1; ++y)
      for (int x = e.x0; x <= e.x1; ++x) holes += pic.White(x, y);
    EXPECT_EQ(holes, 0) << "row " << row;
  }
}

TEST(FitReportPicture, SideViewOfAFlatMeshIsAThinLineAsTallAsTheFront) {
  const Picture pic = Render(UnitSquare());
  for (int row = 0; row < 2; ++row) {
    const Extent front = Drawn(pic, FitReportPanel(row, 0));
    const Extent side = Drawn(pic, FitReportPanel(row, 1));
    ASSERT_GE(side.x1, 0) << "side view drew nothing";
    EXPECT_LE(side.Width(), 2);
    EXPECT_NEAR(side.Height(), front.Height(), 2);
    EXPECT_NEAR(side.x0, CentreX(FitReportPanel(row, 1)), 1);
  }
}

TEST(FitReportPicture, SideViewLooksAlongMinusXWithMinusZToTheRight) {
  // A square in the ZY plane (x = 0) whose error is 2z: from +X it faces the
  // viewer, z = 1 (red) lies on the left, z = 0 (blue) on the right.
  ReportView v;
  v.positions = {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0}};
  v.triangles = {{0, 1, 2}, {0, 2, 3}};
  v.errorBefore = v.errorAfter = {0, 2, 2, 0};
  const Picture pic = Render(v);
  const ReportPanel side = FitReportPanel(0, 1);
  const Extent e = Drawn(pic, side);
  EXPECT_NEAR(e.Width(), e.Height(), 1);
  ExpectColour(pic, CentreX(side), CentreY(side), kAtHalf, "side centre");
  ExpectColour(pic, e.x0 + e.Width() / 4, CentreY(side), kAtThreeQuarters, "side, z = 0.75");
  ExpectColour(pic, e.x0 + 3 * e.Width() / 4, CentreY(side), kAtQuarter, "side, z = 0.25");
  // Seen from the front it is edge-on.
  EXPECT_LE(Drawn(pic, FitReportPanel(0, 0)).Width(), 2);
}

TEST(FitReportPicture, NearerSurfaceHidesFartherOneWhateverTheOrder) {
  for (bool nearFirst : {true, false}) {
    ReportView v;
    if (nearFirst) {
      AddSquareAtZ(v, 1.0f, 2.0f);
      AddSquareAtZ(v, 0.0f, 0.0f);
    } else {
      AddSquareAtZ(v, 0.0f, 0.0f);
      AddSquareAtZ(v, 1.0f, 2.0f);
    }
    const Picture pic = Render(v);
    const ReportPanel front = FitReportPanel(0, 0);
    ExpectColour(pic, CentreX(front), CentreY(front), kAt1, nearFirst ? "near drawn first" : "near drawn last");
    // From +X the squares are two edge-on lines one unit apart, as far apart as the square is tall.
    const Extent side = Drawn(pic, FitReportPanel(0, 1));
    EXPECT_NEAR(side.Width(), side.Height(), 2);
  }
}

TEST(FitReportPicture, FacesTurnedFromTheViewerAreDarker) {
  // A square turned 60 degrees about Y: its normal is 1/2 along +Z, so the
  // shade is 0.35 + 0.65 * 0.5 = 0.675 of the colour. Error is the max: red.
  ReportView v;
  const float c = 0.5f, s = std::sqrt(3.0f) / 2.0f;
  v.positions = {{0, 0, 0}, {c, 0, -s}, {c, 1, -s}, {0, 1, 0}};
  v.triangles = {{0, 1, 2}, {0, 2, 3}};
  v.errorBefore = v.errorAfter = {2, 2, 2, 2};
  const Picture pic = Render(v);
  const ReportPanel front = FitReportPanel(0, 0), side = FitReportPanel(0, 1);
  ExpectColour(pic, CentreX(front), CentreY(front), {111, 0, 26}, "front, 60 degrees off");
  // From +X the normal is sqrt(3)/2 along the view: 0.35 + 0.65 * 0.866 = 0.913.
  ExpectColour(pic, CentreX(side), CentreY(side), {151, 0, 35}, "side, 30 degrees off");
}

TEST(FitReportScale, SharedMaximumOfBothSets) {
  ReportView v = UnitSquare();
  EXPECT_FLOAT_EQ(FitReportScaleMax(v), 2.0f);
  v.errorAfter = {0, 3, 0, 0};
  EXPECT_FLOAT_EQ(FitReportScaleMax(v), 3.0f);
  v.errorAfter = {-5, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 0};
  EXPECT_FLOAT_EQ(FitReportScaleMax(v), 2.0f);
  // All zero: the scale runs 0..1 and everything reads as 0.
  v.errorBefore = v.errorAfter = {0, 0, 0, 0};
  EXPECT_FLOAT_EQ(FitReportScaleMax(v), 1.0f);
  const Picture pic = Render(v);
  for (int row = 0; row < 2; ++row) {
    const ReportPanel p = FitReportPanel(row, 0);
    ExpectColour(pic, CentreX(p), CentreY(p), kAt0, "all-zero fit");
  }
}

TEST(FitReportInput, RejectsWhatCannotBeDrawn) {
  std::string png, error;
  ReportView v = UnitSquare();
  v.triangles[1] = {0, 2, 7};
  EXPECT_FALSE(EncodeFitReportPng(v, png, error));
  EXPECT_NE(error.find("triangle 1"), std::string::npos) << error;
  EXPECT_NE(error.find("vertex 7"), std::string::npos) << error;
  EXPECT_TRUE(png.empty());

  v = UnitSquare();
  v.triangles[0] = {-1, 1, 2};
  error.clear();
  EXPECT_FALSE(EncodeFitReportPng(v, png, error));
  EXPECT_NE(error.find("vertex -1"), std::string::npos) << error;

  v = UnitSquare();
  v.errorAfter.pop_back();
  error.clear();
  EXPECT_FALSE(EncodeFitReportPng(v, png, error));
  EXPECT_NE(error.find("errorAfter has 3 values for 4 vertices"), std::string::npos) << error;

  v = UnitSquare();
  v.triangles.clear();
  error.clear();
  EXPECT_FALSE(EncodeFitReportPng(v, png, error));
  EXPECT_NE(error.find("no triangles"), std::string::npos) << error;

  v = UnitSquare();
  for (Point3& p : v.positions) p.x = std::numeric_limits<float>::quiet_NaN();
  error.clear();
  EXPECT_FALSE(EncodeFitReportPng(v, png, error));
  EXPECT_NE(error.find("finite"), std::string::npos) << error;
}

TEST(FitReportInput, NonFiniteValuesAreLeftOutOrGrey) {
  // A NaN corner drops its triangle only; the other half of the square stays.
  ReportView v = UnitSquare();
  v.positions.push_back({std::numeric_limits<float>::quiet_NaN(), 0, 0});
  v.errorBefore.push_back(0);
  v.errorAfter.push_back(0);
  v.triangles.push_back({0, 1, 4});
  const Picture withNaN = Render(v);
  const Picture plain = Render(UnitSquare());
  EXPECT_EQ(withNaN.rgb, plain.rgb);

  // A vertex without a finite error greys the triangles around it.
  v = UnitSquare();
  v.errorBefore[3] = std::numeric_limits<float>::quiet_NaN();
  const Picture grey = Render(v);
  const ReportPanel before = FitReportPanel(0, 0);
  const Extent e = Drawn(grey, before);
  ExpectColour(grey, e.x0 + e.Width() / 4, e.y0 + e.Height() / 4, {150, 150, 150}, "NaN corner's triangle");
  ExpectColour(grey, e.x0 + e.Width() * 3 / 4, e.y0 + e.Height() * 3 / 4, kAtHalf, "other triangle, (0.75,0.25)");
}

TEST(FitReportFile, WritesAtomically) {
  TempDir dir;
  std::string error;
  const std::string path = dir.File("fit.png");
  ASSERT_TRUE(WriteFitReportPng(UnitSquare(), path, error)) << error;
  const Picture pic = DecodeFile(path);
  EXPECT_EQ(pic.width, 1200);
  EXPECT_EQ(pic.height, 900);

  // Bad input leaves the earlier picture as it was.
  ReportView bad = UnitSquare();
  bad.triangles[0][0] = 99;
  const std::string before = TempDir::Read(path);
  EXPECT_FALSE(WriteFitReportPng(bad, path, error));
  EXPECT_EQ(TempDir::Read(path), before);

  // A folder that does not exist: an error, and nothing appears.
  const std::string missing = dir.File("no-such-folder/fit.png");
  error.clear();
  EXPECT_FALSE(WriteFitReportPng(UnitSquare(), missing, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(std::filesystem::exists(dir.File("no-such-folder")));
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path)) entries += entry.is_regular_file();
  EXPECT_EQ(entries, 1u);
}

// A bake's picture shows the character as it stands in its file's world: the
// sample tail, 5 units up and under 1 across, is drawn tall in both views
// whether its file was authored +Y up or +Z up under a turning root node, and
// it fills its panel's height.
TEST(FitReportPicture, BakedCharacterStandsUprightWhateverItsAuthoringAxes) {
  for (bool zUp : {false, true}) {
    TempDir d;
    DemoCharacterShape shape;
    shape.rings = 30;
    shape.segments = 10;
    shape.zUp = zUp;
    CharacterOptions o;
    o.inPath = d.Write("tail.glb", MakeDemoCharacterGlb(shape));
    o.outPath = d.File("baked.glb");
    o.quiet = true;
    std::ostringstream out, err;
    ASSERT_EQ(RunBake(o, out, err), 0) << err.str() << out.str();
    const Picture pic = DecodeFile(d.File("baked_report.png"));
    for (int column = 0; column < 2; ++column) {
      const ReportPanel p = FitReportPanel(0, column);
      const Extent e = Drawn(pic, p);
      EXPECT_GT(e.Height(), 4 * e.Width()) << "z-up " << zUp << ", column " << column;
      EXPECT_GT(e.Height(), 0.8 * (p.height - 2)) << "z-up " << zUp << ", column " << column;
    }
  }
}
