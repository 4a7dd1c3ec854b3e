#include "cli/studio/studio_events.h"

#include <algorithm>

std::string StudioEvents::Client::Next(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, wait, [&] { return closed_ || !pending_.empty(); });
  if (pending_.empty()) return closed_ ? std::string() : std::string(":\n\n");
  std::string text;
  for (const std::string& e : pending_) text += e;
  pending_.clear();
  return text;
}

std::shared_ptr<StudioEvents::Client> StudioEvents::Connect(const std::string& greeting) {
  auto client = std::make_shared<Client>();
  std::lock_guard<std::mutex> lock(mutex_);
  // A closed client still sends what it holds, so the page learns why it ends.
  client->closed_ = closed_;
  if (!greeting.empty()) client->pending_.push_back(greeting);
  for (const auto& [name, text] : kept_) client->pending_.push_back(text);
  if (!closed_) clients_.push_back(client);
  return client;
}

void StudioEvents::Disconnect(const std::shared_ptr<Client>& client) {
  std::lock_guard<std::mutex> lock(mutex_);
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

int StudioEvents::ClientCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(clients_.size());
}

int StudioEvents::Revision() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return revision_;
}

int StudioEvents::Advance() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ++revision_;
}

void StudioEvents::Publish(const std::string& event, nlohmann::json data, bool keep, const std::string& ends) {
  std::lock_guard<std::mutex> lock(mutex_);
  data["revision"] = revision_;
  const std::string text = Format(event, data.dump());
  if (keep || !ends.empty()) {
    const std::string& forget = keep ? event : ends;
    kept_.erase(std::remove_if(kept_.begin(), kept_.end(), [&](const auto& k) { return k.first == forget; }),
                kept_.end());
    if (keep) kept_.emplace_back(event, text);
  }
  for (const auto& c : clients_) {
    std::lock_guard<std::mutex> clientLock(c->mutex_);
    c->pending_.push_back(text);
    c->wake_.notify_all();
  }
}

void StudioEvents::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  for (const auto& c : clients_) {
    std::lock_guard<std::mutex> clientLock(c->mutex_);
    c->closed_ = true;
    c->wake_.notify_all();
  }
  clients_.clear();
}

std::string StudioEvents::Format(const std::string& event, const std::string& data) {
  return "event: " + event + "\ndata: " + data + "\n\n";
}
