// Scrubbing in the studio: a 20,000-vertex skinned character with Fernwick at
// 10 iterations, one frame at a time as the page asks for them. "Evaluate and
// encode" is the host thread's work for one frame; "over HTTP" adds the
// loopback request the page makes. Both must stay under 33 ms for 30 frames
// per second. `bench_studio --write-character FILE` writes the character
// instead, for the page's own measurement (bench/studio_page_frames.mjs).
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>

#include "cli/sample_characters/demo_character.h"
#include "cli/studio/host_thread.h"
#include "cli/studio/mesh_encoding.h"
#include "cli/studio/page_message_boxes.h"
#include "cli/studio/panel_actions.h"
#include "cli/studio/scene_view.h"
#include "cli/studio/studio_command.h"
#include "cli/studio/studio_document.h"
#include "cli/studio/studio_events.h"
#include "cli/studio/studio_server.h"
#include "cli/terminal_host/plugin_host.h"
#include "sdk/interface.h"

namespace {

constexpr int kRings = 400, kSegments = 50;  // 20,002 vertices

// The studio with the character open, made once for all benchmarks.
struct Studio {
  Studio() {
    char scratch[] = "/tmp/fernwick-bench-studio-XXXXXX";
    if (!mkdtemp(scratch)) throw std::runtime_error("cannot make a scratch folder");
    dir = scratch;
    const std::string file = (dir / "tail20k.glb").string();
    std::ofstream(file, std::ios::binary) << MakeDemoCharacterGlb({kRings, kSegments});
    StudioOptions options;
    options.file = file;
    std::string error;
    bool ok = false;
    host.Run([&] {
      std::ostringstream out;
      ok = document.Open(options, out, error);
      if (!ok) return;
      EnterControlValue(0, 1491, 10);  // "Iterations" of the Delta Mush group
      node = GetCOREInterface()->GetSelNode(0);
      vertices = 0;
      MeshTopology topology;
      MeshFrame frame;
      EvaluateNodeView(node, 0, topology, frame);
      vertices = topology.vertexCount;
      frames = GetCOREInterface()->GetAnimRange().End() / GetTicksPerFrame();
    });
    if (!ok) throw std::runtime_error(error);
    server = std::make_unique<StudioServer>(host, events, boxes, document);
    if (!server->Bind(0, error)) throw std::runtime_error(error);
    server->Start();
  }
  ~Studio() {
    server->Stop();
    host.Run([] { CloseHostSession(); });
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  std::filesystem::path dir;

  StudioEvents events;
  PageMessageBoxPolicy boxes{events};
  StudioDocument document;
  HostThread host;
  std::unique_ptr<StudioServer> server;
  INode* node = nullptr;
  unsigned vertices = 0;
  int frames = 1;
};

Studio& TheStudio() {
  static Studio studio;
  return studio;
}

void BM_ScrubEvaluateAndEncode(benchmark::State& st) {
  Studio& s = TheStudio();
  MeshTopology topology;
  MeshFrame frame;
  std::string bytes;
  int f = 0;
  for (auto _ : st) {
    f = f % s.frames + 1;
    s.host.Run([&] {
      Interface* ip = GetCOREInterface();
      ip->SetTime(f * GetTicksPerFrame());
      EvaluateNodeView(s.node, ip->GetTime(), topology, frame);
      EncodeFrame(frame, bytes);
    });
    benchmark::DoNotOptimize(bytes.data());
  }
  st.counters["vertices"] = s.vertices;
  st.counters["frame_bytes"] = static_cast<double>(bytes.size());
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes.size()));
}
BENCHMARK(BM_ScrubEvaluateAndEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrubOverHttp(benchmark::State& st) {
  Studio& s = TheStudio();
  httplib::Client client("127.0.0.1", s.server->Port());
  client.set_keep_alive(true);
  const std::string base = "/" + s.server->Token() + "/api/frame?node=" + std::to_string(s.node->GetHandle()) + "&frame=";
  size_t bytes = 0;
  int f = 0;
  for (auto _ : st) {
    f = f % s.frames + 1;
    auto res = client.Get((base + std::to_string(f)).c_str());
    if (!res || res->status != 200) {
      st.SkipWithError("the frame request failed");
      break;
    }
    bytes = res->body.size();
  }
  st.counters["vertices"] = s.vertices;
  st.counters["frame_bytes"] = static_cast<double>(bytes);
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes));
}
BENCHMARK(BM_ScrubOverHttp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TopologyOverHttp(benchmark::State& st) {
  Studio& s = TheStudio();
  httplib::Client client("127.0.0.1", s.server->Port());
  const std::string path = "/" + s.server->Token() + "/api/topology?node=" + std::to_string(s.node->GetHandle());
  for (auto _ : st) {
    auto res = client.Get(path.c_str());
    if (!res || res->status != 200) {
      st.SkipWithError("the topology request failed");
      break;
    }
  }
}
BENCHMARK(BM_TopologyOverHttp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  RestartWithPassiveWaiting(argv);  // as `fernwick studio` runs
  if (argc == 3 && std::string(argv[1]) == "--write-character") {
    std::ofstream file(argv[2], std::ios::binary);
    file << MakeDemoCharacterGlb({kRings, kSegments});
    return file.good() ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
