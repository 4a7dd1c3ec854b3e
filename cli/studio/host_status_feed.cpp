#include "cli/studio/host_status_feed.h"

#include <nlohmann/json.hpp>

#include "sdk/utf8.h"

HostStatusFeed::HostStatusFeed(Interface* ip, StudioEvents& events)
    : ip_(ip), events_(events), last_(Describe(ip)) {
  events_.Publish("status", nlohmann::json::parse(last_), true);
  ip_->SetStatusListener(this);
}

HostStatusFeed::~HostStatusFeed() { ip_->SetStatusListener(nullptr); }

std::string HostStatusFeed::Describe(Interface* ip) {
  return nlohmann::json{{"prompt", WideToUtf8(ip->GetPrompt())},
                        {"progress",
                         {{"active", ip->IsProgressActive()},
                          {"title", WideToUtf8(ip->GetProgressTitle())},
                          {"percent", ip->GetProgressPercent()}}}}
      .dump();
}

void HostStatusFeed::StatusChanged() {
  // A pop followed by the same push, as progress texts do, shows nothing new.
  std::string now = Describe(ip_);
  if (now == last_) return;
  last_ = std::move(now);
  events_.Publish("status", nlohmann::json::parse(last_), true);
}
