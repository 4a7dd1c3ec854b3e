#include "cli/studio/studio_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <charconv>
#include <chrono>
#include <cstdlib>

#include "cli/studio/host_status_feed.h"
#include "cli/studio/mesh_encoding.h"
#include "cli/studio/panel_actions.h"
#include "cli/studio/random_token.h"
#include "cli/studio/request_error.h"
#include "cli/studio/scene_view.h"
#include "cli/studio/studio_assets.h"

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

json JsonBody(const Request& req) {
  if (req.get_header_value("Content-Type").rfind("application/json", 0) != 0)
    throw RequestError(415, "send the request body as application/json");
  return ParseRequestObject(req.body);
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
      server_(std::make_unique<httplib::Server>()) {}

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
  closing_ = true;
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
    return json{{"revision", revision_.load()},
                {"document", document_.Describe()},
                {"nodes", DescribeNodes(ip)},
                {"selected", selected ? selected->GetHandle() : 0},
                {"stack", DescribeStack(selected, ip->GetModifyPanelModifier())},
                {"panel", DescribePanel()},
                {"time", DescribeTime(ip)},
                {"status", json::parse(HostStatusFeed::Describe(ip))},
                {"box", box ? json::parse(PageMessageBoxPolicy::Describe(*box)) : json()}};
  };

  // A person's action: checked and done on the host thread, then every page
  // hears that the scene changed; the answer is the scene afterwards.
  auto command = [this, prefix, onHost, sceneState](const std::string& path,
                                                      std::function<void(const json&)> action) {
    server_->Post(prefix + path, [this, onHost, sceneState, action](const Request& req, Response& res) {
      Guarded(res, [&] {
        const json body = JsonBody(req);
        json state;
        onHost([&] {
          action(body);
          ++revision_;
          state = sceneState();
        });
        events_.Publish("scene", json{{"revision", state["revision"]}}.dump());
        SetBody(res, state.dump(), "application/json");
      });
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

  // The node's mesh: topology at the current time, or a frame at the time
  // the page scrubs to (which moves the time slider).
  auto meshRoute = [onHost](bool frameRequest) {
    return [onHost, frameRequest](const Request& req, Response& res) {
      Guarded(res, [&] {
        const int handle = QueryInt(req, "node");
        const int frame = frameRequest ? QueryInt(req, "frame") : 0;
        if (frame < -1000000 || frame > 1000000) throw RequestError(400, "\"frame\" lies outside -1000000..1000000");
        std::string body;
        onHost([&] {
          Interface* ip = GetCOREInterface();
          INode* node = handle > 0 ? NodeByHandle(ip, static_cast<ULONG>(handle)) : nullptr;
          if (!node) throw RequestError(400, "the scene has no node with handle " + std::to_string(handle));
          if (frameRequest) ip->SetTime(frame * GetTicksPerFrame());
          MeshTopology topology;
          MeshFrame meshFrame;
          EvaluateNodeView(node, ip->GetTime(), topology, meshFrame);
          if (frameRequest)
            EncodeFrame(meshFrame, body);
          else
            body = EncodeTopology(topology);
        });
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
        "retry: 1000\n\n" + StudioEvents::Format("hello", json{{"revision", revision_.load()}}.dump()));
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

  command("/api/select", [](const json& body) { PickNode(GetCOREInterface(), IntField(body, "node")); });
  command("/api/stack/open", [](const json& body) {
    OpenStackModifier(GetCOREInterface(), IntField(body, "node"), IntField(body, "position"));
  });
  command("/api/stack/enable", [](const json& body) {
    SwitchStackModifier(GetCOREInterface(), IntField(body, "node"), IntField(body, "position"),
                        BoolField(body, "enabled"));
  });
  command("/api/rollout/press", [](const json& body) { PressControl(IntField(body, "rollout"), IntField(body, "id")); });
  command("/api/rollout/value", [](const json& body) {
    EnterControlValue(IntField(body, "rollout"), IntField(body, "id"), NumberField(body, "value"));
  });
  command("/api/rollout/spin", [](const json& body) {
    SpinControl(IntField(body, "rollout"), IntField(body, "id"), IntField(body, "clicks"));
  });
  command("/api/rollout/fold", [](const json& body) { FoldRollout(IntField(body, "rollout"), BoolField(body, "open")); });
  command("/api/save", [this](const json&) {
    if (!document_.HasFile()) throw RequestError(409, "the scene has no file yet: use Save as");
    std::string error;
    if (!document_.Save(error)) throw RequestError(500, error);
  });
  command("/api/save-as", [this](const json& body) {
    std::string error;
    if (!document_.SaveAs(StringField(body, "path"), error)) throw RequestError(500, error);
  });
  command("/api/export", [this](const json& body) {
    if (!document_.CanExport()) throw RequestError(409, "only a scene made from a glTF character can be exported");
    std::string error;
    if (!document_.Export(StringField(body, "path"), error)) throw RequestError(500, error);
  });

  // The answer to a message box: not on the host thread, which the box holds.
  server_->Post(prefix + "/api/box/answer", [this](const Request& req, Response& res) {
    Guarded(res, [&] {
      const json body = JsonBody(req);
      std::string error;
      if (!boxes_.Reply(IntField(body, "box"), StringField(body, "answer"), error)) throw RequestError(409, error);
      SetBody(res, json{{"answered", true}}.dump(), "application/json");
    });
  });

  // Only the program's own files, by exact name.
  server_->Get(prefix + "/([A-Za-z0-9_.-]+)", [](const Request& req, Response& res) {
    const StudioAsset* asset = FindStudioAsset(req.matches[1]);
    if (!asset) return Fail(res, 404, "the studio has no file " + std::string(req.matches[1]));
    SetBody(res, std::string(asset->data, asset->size), StudioAssetContentType(asset->name));
  });
}
