// Independent tasks on several threads, reported in order.
#pragma once

#include <cstddef>
#include <functional>

namespace qor::host {

// The threads a command uses by default: the processors the system reports,
// at least 1 and at most 8.
unsigned DefaultWorkers();

// Runs task(i, worker) for every i below count, on the calling thread
// (worker 0) and up to workers - 1 more (workers 1 and up), each task once. report(i) is called on the calling
// thread for every i in ascending order, as soon as task i and every task
// before it are done; so what report prints does not depend on the number
// of threads. A task must not throw; report runs one call at a time.
void RunInOrder(std::size_t count, unsigned workers, const std::function<void(std::size_t, unsigned)>& task,
                const std::function<void(std::size_t)>& report);

}  // namespace qor::host
