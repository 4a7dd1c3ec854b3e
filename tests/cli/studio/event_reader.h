// A page's event stream read by a test: connects to /TOKEN/events on a thread
// of its own and keeps every event (name and parsed data) as it arrives.
#pragma once
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

class EventReader {
 public:
  struct Event {
    std::string name;
    nlohmann::json data;
  };

  EventReader(int port, const std::string& token) : client_("127.0.0.1", port) {
    client_.set_read_timeout(30);
    thread_ = std::thread([this, token] {
      client_.Get(("/" + token + "/events").c_str(), [this](const char* data, size_t size) {
        Feed(std::string(data, size));
        return !stop_;
      });
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
      changed_.notify_all();
    });
  }
  ~EventReader() { Close(); }

  // Disconnects (the server notices at its next write).
  void Close() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  // The first event so named (after `from` events) that satisfies `match`, or
  // none after `wait`.
  std::optional<Event> WaitFor(const std::string& name, std::function<bool(const nlohmann::json&)> match = nullptr,
                       std::chrono::milliseconds wait = std::chrono::seconds(20), size_t from = 0) {
    std::unique_lock<std::mutex> lock(mutex_);
    std::optional<Event> found;
    changed_.wait_for(lock, wait, [&] {
      for (size_t i = from; i < events_.size() && !found; ++i)
        if (events_[i].name == name && (!match || match(events_[i].data))) found = events_[i];
      return found.has_value() || ended_;
    });
    return found;
  }

  size_t Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_.size();
  }
  std::vector<Event> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

 private:
  void Feed(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ += text;
    for (size_t end; (end = pending_.find("\n\n")) != std::string::npos;) {
      const std::string block = pending_.substr(0, end);
      pending_.erase(0, end + 2);
      Event e;
      std::string data;
      size_t at = 0;
      while (at < block.size()) {
        size_t nl = block.find('\n', at);
        if (nl == std::string::npos) nl = block.size();
        const std::string line = block.substr(at, nl - at);
        if (line.rfind("event: ", 0) == 0) e.name = line.substr(7);
        if (line.rfind("data: ", 0) == 0) data = line.substr(6);
        at = nl + 1;
      }
      if (e.name.empty()) continue;  // comments and the retry line
      e.data = nlohmann::json::parse(data, nullptr, false);
      events_.push_back(std::move(e));
    }
    changed_.notify_all();
  }

  httplib::Client client_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
  std::string pending_;
  bool ended_ = false;
};
