// The host's one thread. Every host and plug-in call of the studio runs on it,
// one at a time, in the order handed in, as the host's main thread would run
// them; the web server's threads hand work to it and wait.
#pragma once
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class HostThread {
 public:
  HostThread();
  ~HostThread();  // Stop()
  HostThread(const HostThread&) = delete;
  HostThread& operator=(const HostThread&) = delete;

  // Runs work on the host thread after everything handed in before it and
  // waits for it; an exception it throws is rethrown here. Called on the host
  // thread itself (from inside work), it runs at once. False, and work does
  // not run, once the thread is stopping.
  bool Run(const std::function<void()>& work);

  // Refuses new work, lets the work already queued finish, and joins.
  void Stop();

  bool IsHostThread() const { return std::this_thread::get_id() == id_; }

 private:
  struct Job {
    const std::function<void()>* work = nullptr;
    std::exception_ptr error;
    bool done = false;
  };
  void Loop();

  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  std::deque<Job*> queue_;
  bool stopping_ = false;
  std::thread thread_;
  std::thread::id id_;
};
