// Telling a changed entry from a recompressed one beside the reading: pairs
// of payloads whose stored bytes differ are inflated on a second thread
// while the comparison reads on, and their verdicts are taken in the order
// the pairs were given. Inflating is most of the cost of comparing versions
// of compressed files; the reading need not wait for it.
//
// Thread: one user (the comparison); the second thread is its own.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace cfv {

class PairJudge {
 public:
  struct Verdict {
    bool sameData = false;  // the same data after inflation
    std::uint64_t oldLength = 0;
    std::uint64_t newLength = 0;
    bool noMemory = false;  // no buffer to inflate into
  };

  PairJudge();
  ~PairJudge();
  PairJudge(const PairJudge&) = delete;
  PairJudge& operator=(const PairJudge&) = delete;

  // Queues the payloads of an old and a new entry.
  void Add(std::vector<unsigned char>&& oldPayload, std::vector<unsigned char>&& newPayload);
  // Whether the oldest pair not taken yet has its verdict. Only while
  // there is one (as for TakeFront).
  bool FrontReady();
  // The verdict of the oldest pair not taken yet. Meanwhile the calling
  // thread judges pairs the second thread has not started on, the oldest
  // if it is one of them, else the newest.
  Verdict TakeFront();
  // Payload bytes held for pairs not taken yet.
  std::size_t HeldBytes() const { return held_; }

 private:
  struct Job {
    std::vector<unsigned char> a, b;
    Verdict verdict;
    bool claimed = false;  // a thread judges it
    bool done = false;
  };
  struct Scratch;

  static Verdict Judge(const Job& job, Scratch& scratch);
  // Judges `job`, claimed under `lock`, on this thread with `scratch`.
  void Run(Job& job, Scratch& scratch, std::unique_lock<std::mutex>& lock);
  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Job>> jobs_;  // not taken yet, oldest first
  std::size_t unclaimed_ = 0;
  bool quit_ = false;
  std::size_t held_ = 0;
  std::unique_ptr<Scratch> scratch_;  // the calling thread's
  std::thread worker_;
  bool noWorker_ = false;
};

}  // namespace cfv
