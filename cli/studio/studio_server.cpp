#include "cli/studio/studio_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "cli/studio/file_target.h"
#include "cli/studio/host_status_feed.h"
#include "cli/studio/mesh_encoding.h"
#include "cli/studio/panel_actions.h"
#include "cli/studio/random_token.h"
#include "cli/studio/request_error.h"
#include "cli/studio/scene_view.h"
#include "cli/studio/studio_assets.h"
#include "sdk/scene_file.h"

using httplib::Request;
using httplib::Response;
using nlohmann::json;

namespace {

// The page loads only its own files and talks only to this server.
const char kContentSecurityPolicy[] =
    "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
    "object-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// How long an event stream waits before it writes a keep-alive comment: a
// closed page is noticed at the write after next.
constexpr auto kEventHeartbeat = std::chrono::milliseconds(250);

// A body of known length is written as it is (the library compresses only
// streamed bodies, and compressing the 3D library on every load is slow).
void SetBody(Response& res, std::string body, const std::string& type) {
  auto data = std::make_shared<std::string>(std::move(body));
  res.set_content_provider(data->size(), type, [data](size_t offset, size_t length, httplib::DataSink& sink) {
    return sink.write(data->data() + offset, length);
  });
}

void Fail(Response& res, int status, const std::string& message) {
  res.status = status;
  SetBody(res, json{{"error", message}}.dump(), "application/json");
}

template <class Work>
void Guarded(Response& res, Work work) {
  try {
    work();
  } catch (const RequestError& e) {
    Fail(res, e.Status(), e.what());
  } catch (const std::exception& e) {
    Fail(res, 500, std::string("the studio failed: ") + e.what());
  }
}

int QueryInt(const Request& req, const char* name) {
  if (req.get_param_value_count(name) != 1)
    throw RequestError(400, std::string("give exactly one \"") + name + "\" in the query");
  const std::string text = req.get_param_value(name);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty())
    throw RequestError(400, std::string("\"") + name + "\" must be an integer");
  return value;
}

// The body, read as it comes, whatever its transfer: a chunked one is bounded
// like one of stated length (the library bounds only those).
json JsonBody(const Request& req, Response& res, const httplib::ContentReader& reader) {
  std::string body;
  bool tooLarge = false;
  const bool read = reader([&](const char* data, size_t length) {
    if (body.size() + length > kStudioMaxRequestBytes) {
      tooLarge = true;
      return false;
    }
    body.append(data, length);
    return true;
  });
  if (tooLarge || res.status == 413)
    throw RequestError(413, "the request is too large (at most " + std::to_string(kStudioMaxRequestBytes) + " bytes)");
  if (!read) throw RequestError(400, "the request body could not be read");
  if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0)
    throw RequestError(415, "send the request body as application/json");
  return ParseRequestObject(body);
}

// An optional true/false field; false when absent.
bool FlagField(const json& body, const char* name) { return body.contains(name) && BoolField(body, name); }

std::string SceneBytes() {
  std::string bytes, error;
  if (!SaveSceneToBytes(bytes, error)) return {};
  return bytes;
}

// The one header of that name, or empty when there is none; several refuse.
bool SingleHeader(const Request& req, const char* name, std::string& value) {
  const size_t count = req.get_header_value_count(name);
  if (count > 1) return false;
  value = count ? req.get_header_value(name) : std::string();
  return true;
}

}  // namespace

StudioServer::StudioServer(HostThread& host, StudioEvents& events, PageMessageBoxPolicy& boxes,
                           StudioDocument& document)
    : host_(host), events_(events), boxes_(boxes), document_(document),
      server_(std::make_unique<httplib::Server>()), log_(&quiet_) {}

StudioServer::~StudioServer() { Stop(); }

std::string StudioServer::Address() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + token_ + "/";
}

bool StudioServer::Bind(int port, std::string& error) {
  token_ = MakeRandomToken(error);
  if (token_.empty()) return false;
  // Without SO_REUSEPORT: a port another program listens on must fail to bind.
  server_->set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server_->set_payload_max_length(kStudioMaxRequestBytes);
  server_->set_keep_alive_timeout(2);
  server_->set_read_timeout(5);
  server_->set_write_timeout(5);
  // Event streams and requests waiting for the host thread each hold a thread.
  server_->new_task_queue = [] { return new httplib::ThreadPool(16); };
  server_->set_default_headers({{"Cache-Control", "no-store"},
                                {"X-Content-Type-Options", "nosniff"},
                                {"Referrer-Policy", "no-referrer"},
                                {"X-Frame-Options", "DENY"},
                                {"Content-Security-Policy", kContentSecurityPolicy}});
  if (port > 0) {
    if (!server_->bind_to_port("127.0.0.1", port)) {
      error = "cannot listen on 127.0.0.1:" + std::to_string(port) + " (is it taken?)";
      return false;
    }
    port_ = port;
  } else {
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
      error = "cannot listen on any port of 127.0.0.1";
      return false;
    }
  }
  AddRoutes();
  return true;
}

void StudioServer::Start() {
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // Stop only works on a listening server: wait until it listens.
  for (int i = 0; i < 5000 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void StudioServer::Stop() {
  if (!closing_.exchange(true)) events_.Publish("closing", json{{"reason", "the studio was stopped"}});
  server_->stop();
  events_.Close();
  // A command waiting for its box would hold the request that runs it.
  boxes_.Close();
  if (thread_.joinable()) thread_.join();
}

void StudioServer::AddRoutes() {
  const std::string prefix = "/" + token_;
  const int port = port_;
  const std::string hosts[] = {"127.0.0.1:" + std::to_string(port), "localhost:" + std::to_string(port)};

  server_->set_pre_routing_handler([prefix, hosts](const Request& req, Response& res) {
    std::string host, origin, site;
    const char* why = nullptr;
    if (!SingleHeader(req, "Host", host) || (host != hosts[0] && host != hosts[1]))
      why = "requests must be addressed to this server's own 127.0.0.1 address";
    else if (!SingleHeader(req, "Origin", origin) ||
             (!origin.empty() && origin != "http://" + hosts[0] && origin != "http://" + hosts[1]))
      why = "requests from other sites are refused";
    else if (!SingleHeader(req, "Sec-Fetch-Site", site) || (!site.empty() && site != "same-origin" && site != "none"))
      why = "requests from other sites are refused";
    else if (req.path.size() < prefix.size() || !SameToken(req.path.substr(0, prefix.size()), prefix) ||
             (req.path.size() > prefix.size() && req.path[prefix.size()] != '/'))
      why = "the address lacks the studio's token: open the address the program printed";
    if (!why) return httplib::Server::HandlerResponse::Unhandled;
    Fail(res, 403, why);
    return httplib::Server::HandlerResponse::Handled;
  });
  // Refusals the library makes itself (no route, body too large) get a message too.
  server_->set_error_handler([](const Request&, Response& res) {
    if (res.has_header("Content-Type")) return;
    Fail(res, res.status, res.status == 404   ? "the studio has no such page"
                          : res.status == 413 ? "the request is too large"
                                              : "the request was refused");
  });
  server_->set_exception_handler([](const Request&, Response& res, std::exception_ptr) {
    Fail(res, 500, "the studio failed while answering");
  });

  // Runs work on the host thread, unless the studio is closing.
  auto onHost = [this](const std::function<void()>& work) {
    const bool ran = !closing_ && host_.Run([&] {
      if (closing_) throw RequestError(503, "the studio is closing");
      work();
    });
    if (!ran) throw RequestError(503, "the studio is closing");
  };

  // The whole scene as the page shows it; on the host thread.
  auto sceneState = [this] {
    Interface* ip = GetCOREInterface();
    INode* selected = ip->GetSelNodeCount() > 0 ? ip->GetSelNode(0) : nullptr;
    const std::optional<OpenMessageBox> box = boxes_.Current();
    return json{{"revision", events_.Revision()},
                {"document", document_.Describe()},
                {"nodes", DescribeNodes(ip)},
                {"selected", selected ? selected->GetHandle() : 0},
                {"stack", DescribeStack(selected, ip->GetModifyPanelModifier())},
                {"panel", DescribePanel()},
                {"time", DescribeTime(ip)},
                {"status", json::parse(HostStatusFeed::Describe(ip))},
                {"box", box ? json::parse(PageMessageBoxPolicy::Describe(*box)) : json()},
                {"fit", fit_.Describe()}};
  };

  // A POST whose JSON body is read within the bound.
  auto post = [this, prefix](const std::string& path, std::function<void(const json&, Response&)> handler) {
    server_->Post(prefix + path, [handler](const Request& req, Response& res, const httplib::ContentReader& reader) {
      Guarded(res, [&] { handler(JsonBody(req, res, reader), res); });
    });
  };

  // A person's action, checked and done on the host thread; then the
  // revision moves on and every page hears of it; the answer is the scene
  // afterwards. What an action of kind Scene changes in the scene file marks
  // the document modified; one of kind Document counts as a change even
  // when it fails, since it may have replaced the scene before failing.
  enum class Change { View, Scene, Document };
  auto command = [this, post, onHost, sceneState](const std::string& path, Change change,
                                                   std::function<void(const json&)> action) {
    post(path, [this, onHost, sceneState, change, action](const json& body, Response& res) {
      json state;
      onHost([&] {
        const std::string before = change == Change::Scene ? SceneBytes() : std::string();
        std::exception_ptr failed;
        try {
          action(body);
        } catch (...) {
          failed = std::current_exception();
        }
        bool changed = !failed || change == Change::Document;
        if (change == Change::Scene && SceneBytes() != before) {
          document_.SetModified(true);
          changed = true;
        }
        if (changed) {
          events_.Advance();
          state = sceneState();
          events_.Publish("scene", json::object());
        }
        if (failed) std::rethrow_exception(failed);
      });
      SetBody(res, state.dump(), "application/json");
    });
  };

  server_->Get(prefix, [prefix](const Request&, Response& res) { res.set_redirect(prefix + "/"); });
  server_->Get(prefix + "/", [](const Request&, Response& res) {
    const StudioAsset* page = FindStudioAsset("index.html");
    SetBody(res, std::string(page->data, page->size), StudioAssetContentType(page->name));
  });

  server_->Get(prefix + "/api/scene", [onHost, sceneState](const Request&, Response& res) {
    Guarded(res, [&] {
      json state;
      onHost([&] { state = sceneState(); });
      SetBody(res, state.dump(), "application/json");
    });
  });

  // The node's mesh: topology at the current time, or a frame. A frame
  // request that names a frame moves the time slider there (every page hears
  // of it); one without shows the slider's frame.
  auto meshRoute = [this, onHost](bool frameRequest) {
    return [this, onHost, frameRequest](const Request& req, Response& res) {
      Guarded(res, [&] {
        const int handle = QueryInt(req, "node");
        const bool moves = frameRequest && req.has_param("frame");
        const int frame = moves ? QueryInt(req, "frame") : 0;
        if (frame < -1000000 || frame > 1000000) throw RequestError(400, "\"frame\" lies outside -1000000..1000000");
        std::string body;
        int revision = 0;
        bool moved = false;
        onHost([&] {
          Interface* ip = GetCOREInterface();
          INode* node = handle > 0 ? NodeByHandle(ip, static_cast<ULONG>(handle)) : nullptr;
          if (!node) throw RequestError(400, "the scene has no node with handle " + std::to_string(handle));
          const TimeValue t = frame * GetTicksPerFrame();
          if (moves && ip->GetTime() != t) {
            moved = true;
            ip->SetTime(t);
            events_.Advance();
            events_.Publish("time", json{{"frame", frame}});
          }
          revision = events_.Revision();
          MeshTopology topology;
          MeshFrame meshFrame;
          EvaluateNodeView(node, ip->GetTime(), topology, meshFrame);
          if (frameRequest)
            EncodeFrame(meshFrame, body);
          else
            body = EncodeTopology(topology);
        });
        res.set_header("X-Fernwick-Revision", std::to_string(revision));
        res.set_header("X-Fernwick-Moved", moved ? "1" : "0");
        SetBody(res, std::move(body), "application/octet-stream");
      });
    };
  };
  server_->Get(prefix + "/api/topology", meshRoute(false));
  server_->Get(prefix + "/api/frame", meshRoute(true));

  server_->Get(prefix + "/events", [this](const Request&, Response& res) {
    if (closing_) return Fail(res, 503, "the studio is closing");
    // The kept status and open box follow the greeting.
    std::shared_ptr<StudioEvents::Client> client = events_.Connect(
        "retry: 1000\n\n" + StudioEvents::Format("hello", json{{"revision", events_.Revision()}}.dump()));
    res.set_chunked_content_provider(
        "text/event-stream",
        [client](size_t, httplib::DataSink& sink) {
          const std::string text = client->Next(kEventHeartbeat);
          if (text.empty()) {
            sink.done();
            return true;
          }
          return sink.write(text.data(), text.size());
        },
        [this, client](bool) { events_.Disconnect(client); });
  });

  command("/api/select", Change::View, [](const json& body) { PickNode(GetCOREInterface(), IntField(body, "node")); });
  command("/api/stack/open", Change::View, [](const json& body) {
    OpenStackModifier(GetCOREInterface(), IntField(body, "node"), IntField(body, "position"));
  });
  command("/api/stack/enable", Change::Scene, [](const json& body) {
    SwitchStackModifier(GetCOREInterface(), IntField(body, "node"), IntField(body, "position"),
                        BoolField(body, "enabled"));
  });
  command("/api/rollout/press", Change::Scene, [this](const json& body) {
    const int rollout = IntField(body, "rollout"), id = IntField(body, "id");
    fit_.BeforePress(rollout, id, document_.Clips());
    PressControl(rollout, id);
    fit_.AfterPress(rollout, id);
  });
  command("/api/rollout/value", Change::Scene, [](const json& body) {
    EnterControlValue(IntField(body, "rollout"), IntField(body, "id"), NumberField(body, "value"));
  });
  command("/api/rollout/spin", Change::Scene, [](const json& body) {
    SpinControl(IntField(body, "rollout"), IntField(body, "id"), IntField(body, "clicks"));
  });
  command("/api/rollout/fold", Change::View,
          [](const json& body) { FoldRollout(IntField(body, "rollout"), BoolField(body, "open")); });

  // Where a typed name leads and what is there, before anything is written.
  post("/api/file/check", [onHost, this](const json& body, Response& res) {
    const std::string use = StringField(body, "use");
    if (use != "save" && use != "export" && use != "open")
      throw RequestError(400, "\"use\" must be save, export or open");
    const FileUse how = use == "save" ? FileUse::SaveScene : use == "export" ? FileUse::ExportCharacter : FileUse::Open;
    json answer;
    onHost([&] {
      answer = DescribeFileTarget(InspectFileTarget(StringField(body, "path"), document_.BaseFolder(), how), how);
      if (how == FileUse::ExportCharacter) answer["blocked"] = document_.ExportBlocker();
    });
    SetBody(res, answer.dump(), "application/json");
  });
  // A file to write: its problem, or a file it would replace without the
  // person's consent, refuses the request before anything is written.
  auto writableTarget = [this](const json& body, FileUse use) {
    const FileTarget target = InspectFileTarget(StringField(body, "path"), document_.BaseFolder(), use);
    if (!target.problem.empty()) throw RequestError(400, target.problem);
    if (target.ReplacesSameKind(use) && !FlagField(body, "replace"))
      throw RequestError(409, target.path + " already exists: confirm that it is to be replaced");
    if (target.ReplacesOtherKind(use) && !FlagField(body, "replaceOther"))
      throw RequestError(409, target.path + " is not a " +
                                  (use == FileUse::SaveScene ? "Fernwick scene" : "glTF character") +
                                  ": confirm that what it holds is to be lost, or choose another name");
    return target;
  };
  command("/api/save", Change::View, [this](const json&) {
    if (!document_.HasFile()) throw RequestError(409, "the scene has no file yet: use \"Save as\"");
    std::string error;
    if (!document_.Save(error)) throw RequestError(500, error);
  });
  command("/api/save-as", Change::View, [this, writableTarget](const json& body) {
    const FileTarget target = writableTarget(body, FileUse::SaveScene);
    std::string error;
    if (!document_.SaveAs(target.path, error)) throw RequestError(500, error);
  });
  command("/api/export", Change::View, [this, writableTarget](const json& body) {
    const std::string blocked = document_.ExportBlocker();
    if (!blocked.empty()) throw RequestError(409, blocked);
    const FileTarget target = writableTarget(body, FileUse::ExportCharacter);
    std::string error;
    if (!document_.Export(target.path, error)) throw RequestError(500, error);
  });
  // Another file, or the demo character ("new"), in place of the scene.
  auto reopen = [this](const json& body, const std::string& path) {
    if (document_.Modified() && !FlagField(body, "discard"))
      throw RequestError(409, "the scene has changes that are not saved: save them first, or confirm discarding them");
    std::string error;
    fit_.Clear();
    if (!document_.Reopen(path, *log_, error)) throw RequestError(400, error);
  };
  command("/api/open", Change::Document, [this, reopen](const json& body) {
    const FileTarget target = InspectFileTarget(StringField(body, "path"), document_.BaseFolder(), FileUse::Open);
    if (!target.problem.empty()) throw RequestError(400, target.problem);
    reopen(body, target.path);
  });
  command("/api/new", Change::Document, [reopen](const json& body) { reopen(body, ""); });

  // The answer to a message box: not on the host thread, which the box holds.
  post("/api/box/answer", [this](const json& body, Response& res) {
    std::string error;
    if (!boxes_.Reply(IntField(body, "box"), StringField(body, "answer"), error)) throw RequestError(409, error);
    SetBody(res, json{{"answered", true}}.dump(), "application/json");
  });

  // Only the program's own files, by exact name.
  server_->Get(prefix + "/([A-Za-z0-9_.-]+)", [](const Request& req, Response& res) {
    const StudioAsset* asset = FindStudioAsset(req.matches[1]);
    if (!asset) return Fail(res, 404, "the studio has no file " + std::string(req.matches[1]));
    SetBody(res, std::string(asset->data, asset->size), StudioAssetContentType(asset->name));
  });
}
