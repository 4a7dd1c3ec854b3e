// The page's event stream: what happens on the host thread (prompt, progress,
// message boxes, scene changes) goes to every connected page as server-sent
// events, while it happens. Every event carries the host state's revision, so
// a page knows when what it shows is behind.
#pragma once
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

class StudioEvents {
 public:
  // One connected page: the events published since it connected, not yet sent.
  class Client {
   public:
    // Waits up to `wait` for events; returns them as event-stream text, or a
    // comment line when none came (so a closed connection shows at the next
    // write). Empty once the stream is closed.
    std::string Next(std::chrono::milliseconds wait);

   private:
    friend class StudioEvents;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> pending_;
    bool closed_ = false;
  };

  // A new page: gets `greeting` (event-stream text), then the kept events,
  // then every event published after it connected; nothing falls between.
  std::shared_ptr<Client> Connect(const std::string& greeting);
  void Disconnect(const std::shared_ptr<Client>& client);
  int ClientCount() const;

  // The revision of the host's state: counts its changes from 0.
  int Revision() const;
  // Counts one more change and returns the new revision.
  int Advance();

  // Sends `event` with the object `data` and the revision to every page. A
  // kept event also goes to pages that connect later, until another of its
  // name is kept or an event naming it as `ends` is published.
  void Publish(const std::string& event, nlohmann::json data, bool keep = false, const std::string& ends = {});
  // Ends every stream; later connections end at once.
  void Close();

  // The event-stream text of one event.
  static std::string Format(const std::string& event, const std::string& data);

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Client>> clients_;
  std::vector<std::pair<std::string, std::string>> kept_;  // event name, its text
  bool closed_ = false;
  int revision_ = 0;
};
