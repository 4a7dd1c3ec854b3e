// The review page as text: names from the file cannot end the page's inline
// elements, nothing is loaded from beside it, and it keeps within its budget
// by keeping fewer Delta Mush frames.
#include <gtest/gtest.h>

#include <cmath>

#include "cli/review/bake_summary.h"
#include "cli/review/review_page.h"

namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A character of one mesh with one clip, its Delta Mush offsets noise that
// deflate cannot shrink.
struct Page {
  GltfCharacter c;
  ReviewPageInput in;
  Page(int vertices, int frames, const std::string& meshName = "arm", const std::string& clipName = "wave") {
    GltfSkinnedMesh& m = c.meshes.emplace_back();
    m.name = meshName;
    m.positions.assign(vertices, Point3{0, 0, 0});
    GltfPrimitive p;
    p.index = 0;
    for (int v = 0; v < vertices; ++v) p.fileToWelded.push_back(v);
    m.primitives.push_back(p);
    GltfAnimation& a = c.animations.emplace_back();
    a.name = clipName;
    a.frameCount = frames;
    in.character = &c;
    in.sourceName = "source.glb";
    in.bakedName = "baked.glb";
    in.sourceGlb = in.bakedGlb = "glTF";
    BakeSummary s;
    s.command = "review";
    s.clips.emplace_back().name = clipName;
    s.clipAnimations = {0};
    in.summaryJson = BakeSummaryJson(s);
    in.clipAnimations = {0};
    PoseFrames mush(frames, std::vector<Point3>(vertices)), baked = mush;
    std::uint32_t noise = 12345;
    auto next = [&noise] {  // xorshift32, its high bits over [-1, 1]
      noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
      return (noise >> 16) / 32767.5f - 1.0f;
    };
    for (auto& frame : mush)
      for (Point3& q : frame) q = Point3{next(), next(), next()};
    in.clips = {{EncodeReviewMeshClip(mush, baked, FitStats(), FitStats())}};
  }
};

TEST(ReviewPageText, NamesFromTheFileStayInsideTheirElements) {
  Page p(3, 2, "</script><script>alert(1)</script><!--", "</SCRIPT>");
  p.in.sourceName = "<b>source</b>.glb";
  p.in.bakedName = "</title>baked.glb";
  const std::string html = BuildReviewPage(p.in).html;
  // The data, the two blocks of bytes and the bundled script: four elements, each closed once.
  EXPECT_EQ(Count(html, "<script"), 4u);
  EXPECT_EQ(Count(html, "</script>"), 4u);
  EXPECT_EQ(Count(html, "<!--"), 0u) << "no comment can open inside the page";
  EXPECT_EQ(Count(html, "</title>"), 1u);
  EXPECT_NE(html.find("\\u003c/script>\\u003cscript>alert(1)"), std::string::npos) << "the name is kept, escaped";
  for (const char* link : {" src=\"", " href=\"", "<link", "<img", "url("})
    EXPECT_EQ(html.find(link), std::string::npos) << link << ": nothing is loaded from beside the page";
}

TEST(ReviewPageText, KeepsEveryFrameThatFitsTheBudgetAndNoMore) {
  Page p(2000, 60);  // 12,000 bytes of noise per frame
  const ReviewPage all = BuildReviewPage(p.in);
  EXPECT_EQ(all.stride, 1);
  EXPECT_EQ(all.keptFrames, 60);
  EXPECT_LT(static_cast<long>(all.html.size()), kReviewPageBudgetBytes);

  // Room for half the frames: every second or third frame, and the page within it.
  const std::string open = "id=\"fw-frames\">";
  const size_t from = all.html.find(open) + open.size();
  const long frames64 = static_cast<long>(all.html.find("</script>", from) - from);
  EXPECT_GT(frames64, 60 * 12000 * 4 / 3 * 9 / 10) << "noise does not deflate";
  p.in.budgetBytes = static_cast<long>(all.html.size()) - frames64 / 2;
  const ReviewPage fewer = BuildReviewPage(p.in);
  EXPECT_LE(static_cast<long>(fewer.html.size()), p.in.budgetBytes);
  EXPECT_GE(fewer.stride, 2);
  EXPECT_LE(fewer.stride, 3) << "no fewer frames than fit";
  EXPECT_EQ(fewer.keptFrames, static_cast<long>(ReviewKeptFrames(60, fewer.stride).size()));
  EXPECT_NE(fewer.html.find("\"kept\":[0," + std::to_string(fewer.stride) + ","), std::string::npos);
  EXPECT_NE(fewer.html.find(",59]"), std::string::npos) << "the clip's last frame is kept";
}

}  // namespace
