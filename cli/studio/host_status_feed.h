// The host's prompt line and progress bar on the page: every change the
// interface reports becomes a "status" event, kept for pages that connect
// later.
#pragma once
#include <string>

#include "cli/studio/studio_events.h"
#include "sdk/interface.h"

class HostStatusFeed : public StatusListener {
 public:
  // Publishes the status now and listens to ip until destroyed; construct
  // and destroy on the host thread.
  HostStatusFeed(Interface* ip, StudioEvents& events);
  ~HostStatusFeed() override;
  HostStatusFeed(const HostStatusFeed&) = delete;
  HostStatusFeed& operator=(const HostStatusFeed&) = delete;

  void StatusChanged() override;

  // The prompt and progress bar now, as the page's event data (JSON):
  // {"prompt": text, "progress": {"active": bool, "title": text, "percent": n}}.
  static std::string Describe(Interface* ip);

 private:
  Interface* ip_;
  StudioEvents& events_;
  std::string last_;
};
