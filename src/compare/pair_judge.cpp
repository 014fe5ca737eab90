#include "compare/pair_judge.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "containers/extract.h"

namespace cfv {

// Two inflate targets of kInflateLimit bytes, committed only as far as they
// are written.
struct PairJudge::Scratch {
  unsigned char* a = static_cast<unsigned char*>(std::malloc(kInflateLimit));
  unsigned char* b = static_cast<unsigned char*>(std::malloc(kInflateLimit));
  Scratch() = default;
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    std::free(a);
    std::free(b);
  }
};

PairJudge::PairJudge() = default;

PairJudge::~PairJudge() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

PairJudge::Verdict PairJudge::Judge(const Job& job, Scratch& scratch) {
  Verdict verdict;
  if (scratch.a == nullptr || scratch.b == nullptr) {
    verdict.noMemory = true;
    return verdict;
  }
  const DataView a = PayloadData(job.a.data(), job.a.size(), scratch.a);
  const DataView b = PayloadData(job.b.data(), job.b.size(), scratch.b);
  verdict.sameData = a.size == b.size && std::memcmp(a.bytes, b.bytes, a.size) == 0;
  verdict.oldLength = a.size;
  verdict.newLength = b.size;
  return verdict;
}

void PairJudge::Add(std::span<const unsigned char> oldPayload, std::span<const unsigned char> newPayload) {
  auto job = std::make_unique<Job>();
  job->a.assign(oldPayload.begin(), oldPayload.end());
  job->b.assign(newPayload.begin(), newPayload.end());
  held_ += oldPayload.size() + newPayload.size();
  if (!worker_.joinable() && !noWorker_) {
    try {
      worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      noWorker_ = true;  // every pair is judged here, when taken
    }
  }
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  changed_.notify_all();
}

void PairJudge::Work() {
  Scratch scratch;
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [&] { return quit_ || started_ < jobs_.size(); });
    if (quit_) return;
    Job& job = *jobs_[started_++];
    lock.unlock();
    const Verdict verdict = Judge(job, scratch);
    lock.lock();
    job.verdict = verdict;
    job.done = true;
    changed_.notify_all();
  }
}

bool PairJudge::FrontReady() {
  std::lock_guard lock(mutex_);
  return jobs_.front()->done;
}

PairJudge::Verdict PairJudge::TakeFront() {
  std::unique_lock lock(mutex_);
  std::unique_ptr<Job> job;
  if (started_ == 0) {
    // Not started: judged here, rather than waiting idle.
    job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    if (!scratch_) scratch_ = std::make_unique<Scratch>();
    job->verdict = Judge(*job, *scratch_);
  } else {
    changed_.wait(lock, [&] { return jobs_.front()->done; });
    job = std::move(jobs_.front());
    jobs_.pop_front();
    --started_;
  }
  held_ -= job->a.size() + job->b.size();
  return job->verdict;
}

}  // namespace cfv
