// The studio's web server: the page, its assets, the API that hands the
// person's actions to the host thread, and the event stream.
//
// Safety: it listens on 127.0.0.1 only; every request must carry the token as
// the first segment of its path (/TOKEN/...), a Host header naming this
// server (127.0.0.1:PORT or localhost:PORT) and, when it has one, an Origin of
// this server, else it is refused (403) before any route runs; only the
// program's own embedded assets are served; request bodies are bounded
// (413), chunked ones too; malformed requests and the person's mistakes get a
// 4xx with a sentence saying what to do, and change nothing. Files are
// written only where the person confirmed replacing what is there.
//
// One truth for every page: each change of the host's state (an action, the
// time slider) moves the revision on and is announced on the event stream
// with it; scene states and frames carry the revision they show.
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "cli/studio/host_thread.h"
#include <ostream>
#include <sstream>

#include "cli/studio/page_message_boxes.h"
#include "cli/studio/solve_fit.h"
#include "cli/studio/studio_document.h"
#include "cli/studio/studio_events.h"

namespace httplib {
class Server;
}

// Largest request body the server reads.
constexpr size_t kStudioMaxRequestBytes = 64 * 1024;

class StudioServer {
 public:
  // The parts live as long as the server.
  StudioServer(HostThread& host, StudioEvents& events, PageMessageBoxPolicy& boxes, StudioDocument& document);
  ~StudioServer();  // Stop()
  StudioServer(const StudioServer&) = delete;
  StudioServer& operator=(const StudioServer&) = delete;

  // Makes the token and binds 127.0.0.1:port (0: a free port). False with the reason.
  bool Bind(int port, std::string& error);
  // Serves on a thread of its own until Stop.
  void Start();
  // Tells the pages it is closing, refuses new work, closes the listener and
  // the event streams, answers an open message box, waits for the requests
  // being served, and returns.
  void Stop();
  // Where the lines about files opened from the page go (not owned); none by default.
  void SetLog(std::ostream* log) { log_ = log ? log : &quiet_; }

  int Port() const { return port_; }
  const std::string& Token() const { return token_; }
  // The address to open: http://127.0.0.1:PORT/TOKEN/
  std::string Address() const;

 private:
  void AddRoutes();

  HostThread& host_;
  StudioEvents& events_;
  PageMessageBoxPolicy& boxes_;
  StudioDocument& document_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::string token_;
  int port_ = 0;
  std::atomic<bool> closing_{false};
  SolveFitTracker fit_;  // on the host thread
  std::ostringstream quiet_;
  std::ostream* log_;
};
