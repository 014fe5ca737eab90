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

void PairJudge::Add(std::vector<unsigned char>&& oldPayload, std::vector<unsigned char>&& newPayload) {
  auto job = std::make_unique<Job>();
  held_ += oldPayload.size() + newPayload.size();
  job->a = std::move(oldPayload);
  job->b = std::move(newPayload);
  if (!worker_.joinable() && !noWorker_) {
    try {
      worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      noWorker_ = true;  // every pair is judged here
    }
  }
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    ++unclaimed_;
  }
  changed_.notify_all();
}

void PairJudge::Run(Job& job, Scratch& scratch, std::unique_lock<std::mutex>& lock) {
  job.claimed = true;
  --unclaimed_;
  lock.unlock();
  const Verdict verdict = Judge(job, scratch);
  lock.lock();
  job.verdict = verdict;
  job.done = true;
  changed_.notify_all();
}

void PairJudge::Work() {
  Scratch scratch;
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [&] { return quit_ || unclaimed_ != 0; });
    if (quit_) return;
    // The oldest first: the report waits for it.
    for (const std::unique_ptr<Job>& job : jobs_) {
      if (!job->claimed) {
        Run(*job, scratch, lock);
        break;
      }
    }
  }
}

bool PairJudge::FrontReady() {
  std::lock_guard lock(mutex_);
  return jobs_.front()->done;
}

PairJudge::Verdict PairJudge::TakeFront() {
  std::unique_lock lock(mutex_);
  Job& front = *jobs_.front();
  // Rather than wait idle for the second thread: the front pair when it has
  // not started on it, else the newest that no thread has started on.
  while (!front.done) {
    Job* next = front.claimed ? nullptr : &front;
    for (auto it = jobs_.rbegin(); next == nullptr && it != jobs_.rend(); ++it) {
      if (!(*it)->claimed) next = it->get();
    }
    if (next == nullptr) {
      changed_.wait(lock, [&] { return front.done; });
      break;
    }
    if (!scratch_) scratch_ = std::make_unique<Scratch>();
    Run(*next, *scratch_, lock);
  }
  const std::unique_ptr<Job> job = std::move(jobs_.front());
  jobs_.pop_front();
  held_ -= job->a.size() + job->b.size();
  return job->verdict;
}

}  // namespace cfv
