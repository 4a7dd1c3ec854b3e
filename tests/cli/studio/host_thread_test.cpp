#include "cli/studio/host_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <vector>

namespace {

TEST(HostThread, RunsEveryonesWorkOnOneThreadOneAtATimeInOrder) {
  HostThread host;
  std::thread::id hostId;
  host.Run([&] { hostId = std::this_thread::get_id(); });
  ASSERT_NE(hostId, std::this_thread::get_id());

  constexpr int kSenders = 4, kEach = 200;
  std::atomic<int> inside{0}, mostInside{0};
  std::vector<std::vector<int>> seen(kSenders);  // written on the host thread only
  std::vector<std::thread> senders;
  std::atomic<bool> wrongThread{false};
  for (int s = 0; s < kSenders; ++s)
    senders.emplace_back([&, s] {
      for (int i = 0; i < kEach; ++i)
        host.Run([&, s, i] {
          const int now = ++inside;
          mostInside = std::max(mostInside.load(), now);
          if (std::this_thread::get_id() != hostId) wrongThread = true;
          seen[s].push_back(i);
          --inside;
        });
    });
  for (auto& t : senders) t.join();
  EXPECT_FALSE(wrongThread);
  EXPECT_EQ(mostInside, 1);
  for (int s = 0; s < kSenders; ++s) {
    ASSERT_EQ(seen[s].size(), size_t(kEach));
    for (int i = 0; i < kEach; ++i) EXPECT_EQ(seen[s][i], i) << "sender " << s;
  }
}

TEST(HostThread, WorkHandedInFromTheHostThreadRunsAtOnce) {
  HostThread host;
  std::vector<int> order;
  host.Run([&] {
    order.push_back(1);
    EXPECT_TRUE(host.IsHostThread());
    host.Run([&] { order.push_back(2); });
    order.push_back(3);
  });
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(host.IsHostThread());
}

TEST(HostThread, ExceptionsReachTheCaller) {
  HostThread host;
  EXPECT_THROW(host.Run([] { throw std::runtime_error("refused"); }), std::runtime_error);
  int ran = 0;
  EXPECT_TRUE(host.Run([&] { ++ran; })) << "the thread goes on after a failure";
  EXPECT_EQ(ran, 1);
}

TEST(HostThread, StoppingFinishesQueuedWorkAndRefusesNewWork) {
  HostThread host;
  std::atomic<bool> started{false}, release{false};
  std::vector<char> ran;
  std::thread first([&] {
    host.Run([&] {
      started = true;
      while (!release) std::this_thread::yield();
      ran.push_back('a');
    });
  });
  while (!started) std::this_thread::yield();
  std::thread second([&] { EXPECT_TRUE(host.Run([&] { ran.push_back('b'); })); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // b waits behind a
  std::thread stopper([&] { host.Stop(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  release = true;
  stopper.join();
  first.join();
  second.join();
  EXPECT_EQ(ran, (std::vector<char>{'a', 'b'}));
  EXPECT_FALSE(host.Run([&] { ran.push_back('c'); }));
  EXPECT_EQ(ran.size(), 2u);
  host.Stop();  // twice is harmless
}

}  // namespace
