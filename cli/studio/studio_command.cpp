#include "cli/studio/studio_command.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <pthread.h>

#include "cli/studio/host_status_feed.h"
#include "cli/studio/host_thread.h"
#include "cli/studio/page_message_boxes.h"
#include "cli/studio/studio_events.h"
#include "cli/studio/studio_server.h"
#include "cli/terminal_host/plugin_host.h"
#include "sdk/interface.h"

namespace {

// SIGINT and SIGTERM, blocked in every thread so that only the waiting main
// thread takes them.
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

void IgnoreWhileBlocked(int) {}

}  // namespace

void RestartWithPassiveWaiting(char** argv) {
  if (std::getenv("OMP_WAIT_POLICY")) return;
  setenv("OMP_WAIT_POLICY", "passive", 1);
  execv("/proc/self/exe", argv);
}

int RunStudio(const StudioOptions& options, std::ostream& out, std::ostream& err) {
  // A handler of its own, since a program started in the background inherits
  // SIGINT ignored, and an ignored signal never reaches sigtimedwait.
  struct sigaction handler {}, previousInt {}, previousTerm {};
  handler.sa_handler = IgnoreWhileBlocked;
  sigemptyset(&handler.sa_mask);
  sigaction(SIGINT, &handler, &previousInt);
  sigaction(SIGTERM, &handler, &previousTerm);
  const sigset_t stopSignals = StopSignals();
  sigset_t previousMask;
  pthread_sigmask(SIG_BLOCK, &stopSignals, &previousMask);
  struct RestoreSignals {
    sigset_t mask;
    struct sigaction onInt, onTerm;
    ~RestoreSignals() {
      pthread_sigmask(SIG_SETMASK, &mask, nullptr);
      sigaction(SIGINT, &onInt, nullptr);
      sigaction(SIGTERM, &onTerm, nullptr);
    }
  } restoreSignals{previousMask, previousInt, previousTerm};

  StudioEvents events;
  PageMessageBoxPolicy boxes(events);
  StudioDocument document;
  std::unique_ptr<HostStatusFeed> feed;
  HostThread host;
  MessageBoxPolicy* previousPolicy = nullptr;
  // Empties the scene and restores the host's services, on the host thread.
  auto closeHost = [&] {
    host.Run([&] {
      CloseHostSession();
      feed.reset();
      SetMessageBoxPolicy(previousPolicy);
    });
    host.Stop();
  };

  std::string error;
  bool opened = false;
  host.Run([&] {
    previousPolicy = SetMessageBoxPolicy(&boxes);
    feed = std::make_unique<HostStatusFeed>(GetCOREInterface(), events);
    opened = document.Open(options, out, error);
  });
  if (!opened) {
    err << "fernwick studio: " << error << "\n";
    closeHost();
    return 1;
  }

  StudioServer server(host, events, boxes, document);
  const int port = options.portGiven ? options.port : kStudioDefaultPort;
  if (!server.Bind(port, error)) {
    if (options.portGiven || port == 0) {
      err << "fernwick studio: " << error << "\n";
      closeHost();
      return 1;
    }
    out << "Port " << port << " is taken; using a free one.\n";
    if (!server.Bind(0, error)) {
      err << "fernwick studio: " << error << "\n";
      closeHost();
      return 1;
    }
  }
  server.SetLog(&out);
  server.Start();
  out << "Fernwick studio: open " << server.Address() << " in a browser (Ctrl-C stops it)" << std::endl;

  // Serve until told to stop.
  const timespec poll{0, 200 * 1000 * 1000};
  int signal = -1;
  while (signal < 0) signal = sigtimedwait(&stopSignals, nullptr, &poll);

  out << "Stopping the studio..." << std::endl;
  server.Stop();
  closeHost();
  out << "Studio stopped." << std::endl;
  return 0;
}
