#include "Workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace qor::host {

unsigned DefaultWorkers() { return std::clamp(std::thread::hardware_concurrency(), 1u, 8u); }

void RunInOrder(std::size_t count, unsigned workers, const std::function<void(std::size_t, unsigned)>& task,
                const std::function<void(std::size_t)>& report) {
  workers = static_cast<unsigned>(std::clamp<std::size_t>(workers, 1, std::max<std::size_t>(count, 1)));
  // Each thread starts on a range of its own: tasks next to each other (the
  // files of one folder) would have the threads wait for each other on the
  // same folder of the file system. A thread that finishes its range helps
  // with the others'.
  struct Range {
    std::atomic<std::size_t> next;
    std::size_t end;
  };
  std::unique_ptr<Range[]> ranges(new Range[workers]);
  for (unsigned k = 0; k < workers; ++k) {
    ranges[k].next = count * k / workers;
    ranges[k].end = count * (k + 1) / workers;
  }
  std::mutex lock;
  std::condition_variable finished;
  std::unique_ptr<bool[]> done(new bool[count]());
  std::size_t reported = 0;

  // Reports every task that is done in order, from the first not reported.
  auto reportReady = [&](std::unique_lock<std::mutex>& hold) {
    while (reported < count && done[reported]) {
      std::size_t ready = reported++;
      hold.unlock();
      report(ready);
      hold.lock();
    }
  };
  auto work = [&](unsigned worker) {
    for (unsigned r = 0; r < workers; ++r) {
      Range& range = ranges[(worker + r) % workers];
      for (std::size_t i; (i = range.next.fetch_add(1)) < range.end;) {
        task(i, worker);
        std::unique_lock<std::mutex> hold(lock);
        done[i] = true;
        if (worker == 0)
          reportReady(hold);
        else
          finished.notify_one();
      }
    }
  };

  std::vector<std::thread> helpers;
  for (unsigned k = 1; k < workers; ++k) {
    try {
      helpers.emplace_back(work, k);
    } catch (const std::system_error&) {
      break;  // fewer threads: the calling thread still runs every range
    }
  }
  work(0);
  std::unique_lock<std::mutex> hold(lock);
  while (reported < count) {
    finished.wait(hold, [&] { return done[reported]; });
    reportReady(hold);
  }
  hold.unlock();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace qor::host
