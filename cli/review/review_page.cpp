#include "cli/review/review_page.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "cli/files/atomic_file.h"
#include "cli/gltf/gltf_container.h"
#include "cli/review/review_page_assets.h"

namespace {

using Json = nlohmann::ordered_json;

// Binary parts one after another, each at a multiple of four bytes so that the
// page views them as typed arrays in place.
class Blob {
 public:
  Json Add(const void* data, size_t bytes, size_t count) {
    const size_t at = bytes_.size();
    bytes_.append(static_cast<const char*>(data), bytes);
    while (bytes_.size() % 4) bytes_ += '\0';
    return Json::array({at, count});
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// zlib's format, which the page inflates with three.js's copy of fflate.
std::string Deflate(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size(),
                6) != Z_OK)
    return {};
  out.resize(size);
  return out;
}

// JSON inside a script element: no "<" can end the element or open a comment.
std::string ScriptSafe(const std::string& json) {
  std::string out;
  out.reserve(json.size());
  for (char ch : json) out += ch == '<' ? std::string("\\u003c") : std::string(1, ch);
  return out;
}

std::string HtmlEscape(const std::string& s) {
  std::string out;
  for (char ch : s) {
    switch (ch) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

void Replace(std::string& text, const std::string& marker, const std::string& with) {
  const size_t at = text.find(marker);
  if (at != std::string::npos) text.replace(at, marker.size(), with);
}

// The Delta Mush offsets of every clip and mesh on every stride-th frame,
// deflated clip by clip so that the page inflates a clip when it is shown.
std::string PackFrames(const ReviewPageInput& in, int stride, Json& clipsJson, long& kept) {
  std::string packed;
  kept = 0;
  clipsJson = Json::array();
  for (size_t k = 0; k < in.clips.size(); ++k) {
    const GltfAnimation& a = in.character->animations.at(in.clipAnimations.at(k));
    const std::vector<int> frames = ReviewKeptFrames(a.frameCount, stride);
    kept += static_cast<long>(frames.size());
    Json cj = {{"name", a.name}, {"animation", in.clipAnimations[k]}, {"fps", a.fps}, {"frames", a.frameCount},
               {"kept", frames}};
    cj["meshes"] = Json::array();
    Blob blob;
    for (size_t m = 0; m < in.clips[k].size(); ++m) {
      const ReviewMeshClip& mc = in.clips[k][m];
      const std::string offsets = PackReviewOffsets(mc, frames, in.character->meshes[m].positions.size());
      cj["meshes"].push_back({{"step", mc.step}, {"offsets", blob.Add(offsets.data(), offsets.size(), offsets.size() / 2)}});
    }
    const std::string z = Deflate(blob.bytes());
    cj["deflated"] = Json::array({packed.size(), z.size()});
    packed += z;
    clipsJson.push_back(cj);
  }
  return packed;
}

}  // namespace

ReviewPage BuildReviewPage(const ReviewPageInput& in) {
  const GltfCharacter& c = *in.character;
  Blob files;
  Json review;
  review["source"] = {{"name", in.sourceName}, {"glb", files.Add(in.sourceGlb.data(), in.sourceGlb.size(), in.sourceGlb.size())}};
  review["baked"] = {{"name", in.bakedName}, {"glb", files.Add(in.bakedGlb.data(), in.bakedGlb.size(), in.bakedGlb.size())}};
  review["budgetBytes"] = in.budgetBytes;
  review["meshes"] = Json::array();
  for (const GltfSkinnedMesh& m : c.meshes) {
    Json mj = {{"name", m.name}, {"node", m.node}, {"mesh", m.meshIndex}, {"vertices", m.positions.size()}};
    mj["primitives"] = Json::array();
    for (const GltfPrimitive& p : m.primitives) {
      std::vector<std::uint32_t> map(p.fileToWelded.begin(), p.fileToWelded.end());
      mj["primitives"].push_back({{"index", p.index}, {"map", files.Add(map.data(), map.size() * 4, map.size())}});
    }
    review["meshes"].push_back(mj);
  }
  Json worst = Json::array();
  long clipFrames = 0;
  for (size_t k = 0; k < in.clips.size(); ++k) {
    clipFrames += c.animations.at(in.clipAnimations.at(k)).frameCount;
    Json perMesh = Json::array();
    for (const ReviewMeshClip& mc : in.clips[k])
      perMesh.push_back({{"worstBefore", files.Add(mc.worstBefore.data(), mc.worstBefore.size() * 4, mc.worstBefore.size())},
                         {"worstAfter", files.Add(mc.worstAfter.data(), mc.worstAfter.size() * 4, mc.worstAfter.size())}});
    worst.push_back(perMesh);
  }
  const std::string filesZ = Deflate(files.bytes());
  const long fixed = static_cast<long>(ReviewPageTemplate().size() + ReviewPageStyle().size() +
                                       ReviewPageScript().size() + in.summaryJson.size() + 4096);
  // What is left for the frames once everything else is in, as base64.
  const double room = (in.budgetBytes - fixed - 4.0 * (filesZ.size() + 2) / 3) * 0.75;

  ReviewPage page;
  page.clipFrames = clipFrames;
  int longest = 1;
  for (int a : in.clipAnimations) longest = std::max(longest, c.animations.at(a).frameCount);
  Json clipsJson;
  std::string framesZ;
  for (int stride = 1;;) {
    long kept = 0;
    framesZ = PackFrames(in, stride, clipsJson, kept);
    page.stride = stride;
    page.keptFrames = kept;
    // Every frame fits, or nothing more can go: each clip keeps its ends.
    if (framesZ.size() <= room || stride >= longest) break;
    const double over = framesZ.size() / std::max(room, 1.0);
    stride = std::min(longest, std::max(stride + 1, static_cast<int>(std::ceil(stride * over * 1.05))));
  }
  for (size_t k = 0; k < clipsJson.size(); ++k)
    for (size_t m = 0; m < clipsJson[k]["meshes"].size(); ++m) clipsJson[k]["meshes"][m].update(worst[k][m]);
  review["clips"] = clipsJson;
  review["stride"] = page.stride;
  review["keptFrames"] = page.keptFrames;
  review["clipFrames"] = clipFrames;
  const std::string data = "{\"summary\": " + (in.summaryJson.empty() ? std::string("null") : in.summaryJson) +
                           ", \"review\": " + review.dump(-1, ' ', false, Json::error_handler_t::replace) + "}";

  std::string html(ReviewPageTemplate());
  Replace(html, "<!--fernwick:title-->", HtmlEscape(in.bakedName));
  Replace(html, "<!--fernwick:style-->", "<style>\n" + std::string(ReviewPageStyle()) + "</style>");
  Replace(html, "<!--fernwick:data-->",
          "<script type=\"application/json\" id=\"fw-data\">" + ScriptSafe(data) +
              "</script>\n<script type=\"application/octet-stream\" id=\"fw-files\">" + Base64Encode(filesZ) +
              "</script>\n<script type=\"application/octet-stream\" id=\"fw-frames\">" + Base64Encode(framesZ) +
              "</script>");
  Replace(html, "<!--fernwick:script-->", "<script>\n" + std::string(ReviewPageScript()) + "</script>");
  page.html = std::move(html);
  return page;
}

bool WriteReviewPage(const ReviewPage& page, const std::string& path, std::string& error) {
  return WriteFileAtomically(path, page.html, error);
}
