// The hand-over of blocks between worker threads and the one thread that takes them in
// order, shared by the threads' pool and a shard's threads: which slots of the look-ahead
// hold a finished block, the stop, and what a worker threw.
#pragma once

#ifndef RATIOHUNT_NO_THREADS

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

struct BlockHandOff {
  explicit BlockHandOff(int64_t look_ahead) : window(look_ahead), done(static_cast<size_t>(look_ahead), 0) {}
  const int64_t window;  // blocks the workers may run ahead of the taker: block i in slot i % window
  std::mutex mutex;
  std::condition_variable block_done;   // a worker finished a block, or failed
  std::condition_variable block_taken;  // the taker took a block, or the workers should stop
  std::vector<char> done;
  int64_t taken = 0;  // blocks taken so far
  std::atomic<bool> stop{false};
  std::exception_ptr failure;  // what a worker threw (out of memory): the taker rethrows it
};

// A worker has finished the block in slot.
inline void finish_block(BlockHandOff &hand_off, size_t slot) {
  {
    std::lock_guard<std::mutex> lock(hand_off.mutex);
    hand_off.done[slot] = 1;
  }
  hand_off.block_done.notify_all();
}

// The taker is done with the block in slot, the taken-th: its slot is free for another.
inline void release_block(BlockHandOff &hand_off, size_t slot, int64_t taken) {
  {
    std::lock_guard<std::mutex> lock(hand_off.mutex);
    hand_off.done[slot] = 0;
    hand_off.taken = taken;
  }
  hand_off.block_taken.notify_all();
}

// Runs a worker's work; what it throws (an allocation that fails) goes to the taker, which
// rethrows it on its own thread, so the search fails as a single walk would instead of
// ending the program.
inline void run_worker_for(BlockHandOff &hand_off, const std::function<void()> &work) {
  try {
    work();
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(hand_off.mutex);
      if (!hand_off.failure) hand_off.failure = std::current_exception();
    }
    hand_off.block_done.notify_all();
  }
}

// Waits for the block in slot, asking should_stop (which reads the clock for the time out
// and an interruption) every interval meanwhile; false when the search should stop first.
inline bool wait_for_block(BlockHandOff &hand_off, size_t slot, std::chrono::milliseconds interval,
                           const std::function<bool()> &should_stop) {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(hand_off.mutex);
      if (hand_off.block_done.wait_for(lock, interval, [&] { return hand_off.done[slot] != 0 || hand_off.failure; })) {
        if (hand_off.failure) std::rethrow_exception(hand_off.failure);
        return true;
      }
    }
    if (should_stop()) return false;
  }
}

// Tells the workers to stop, and wakes those waiting for room in the look-ahead.
inline void stop_workers(BlockHandOff &hand_off) {
  {
    std::lock_guard<std::mutex> lock(hand_off.mutex);
    hand_off.stop.store(true);
  }
  hand_off.block_taken.notify_all();
}

#endif
