#include "cli/studio/host_thread.h"

HostThread::HostThread() {
  std::unique_lock<std::mutex> lock(mutex_);
  thread_ = std::thread([this] { Loop(); });
  id_ = thread_.get_id();
}

HostThread::~HostThread() { Stop(); }

bool HostThread::Run(const std::function<void()>& work) {
  if (IsHostThread()) {
    work();
    return true;
  }
  Job job;
  job.work = &work;
  std::unique_lock<std::mutex> lock(mutex_);
  if (stopping_) return false;
  queue_.push_back(&job);
  wake_.notify_one();
  finished_.wait(lock, [&] { return job.done; });
  if (job.error) std::rethrow_exception(job.error);
  return true;
}

void HostThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ && !thread_.joinable()) return;
    stopping_ = true;
    wake_.notify_one();
  }
  if (thread_.joinable() && !IsHostThread()) thread_.join();
}

void HostThread::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopping, and everything handed in has run
    Job* job = queue_.front();
    queue_.pop_front();
    lock.unlock();
    try {
      (*job->work)();
    } catch (...) {
      job->error = std::current_exception();
    }
    lock.lock();
    job->done = true;
    finished_.notify_all();
  }
}
