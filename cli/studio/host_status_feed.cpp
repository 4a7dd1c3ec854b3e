#include "cli/studio/host_status_feed.h"

#include <nlohmann/json.hpp>

#include "sdk/utf8.h"

HostStatusFeed::HostStatusFeed(Interface* ip, StudioEvents& events)
    : ip_(ip), events_(events), last_(Describe(ip)) {
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

std::string HostStatusFeed::Latest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

void HostStatusFeed::StatusChanged() {
  std::string now = Describe(ip_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (now == last_) return;
    last_ = now;
  }
  events_.Publish("status", now);
}
