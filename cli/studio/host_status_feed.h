// The host's prompt line and progress bar on the page: every change the
// interface reports becomes a "status" event.
#pragma once
#include <mutex>
#include <string>

#include "cli/studio/studio_events.h"
#include "sdk/interface.h"

class HostStatusFeed : public StatusListener {
 public:
  // Listens to ip until destroyed; construct and destroy on the host thread.
  HostStatusFeed(Interface* ip, StudioEvents& events);
  ~HostStatusFeed() override;
  HostStatusFeed(const HostStatusFeed&) = delete;
  HostStatusFeed& operator=(const HostStatusFeed&) = delete;

  void StatusChanged() override;

  // The prompt and progress bar now, as the page's event data (JSON):
  // {"prompt": text, "progress": {"active": bool, "title": text, "percent": n}}.
  static std::string Describe(Interface* ip);
  // The last status published, from any thread.
  std::string Latest() const;

 private:
  Interface* ip_;
  StudioEvents& events_;
  mutable std::mutex mutex_;
  std::string last_;
};
