// Rows spread over the OpenMP threads, without a parallel region where only
// one thread would run it.
//
// The OpenMP runtime builds a team for every parallel region, even one of a
// single thread. The MinGW runtime makes each team's barrier and release
// signal from Windows semaphores, so every region costs three
// CreateSemaphore and three CloseHandle calls: kernel calls on Windows, and
// round trips to the server under Wine (about 20 us a region on a quiet
// machine, far more on a busy one, where every trip waits for the server to
// be scheduled). A host that runs us on one thread (OMP_NUM_THREADS=1, one
// processor, or a region of its own already active) gets plain loops instead.
// The work each row does is the same either way.
#pragma once

#include <omp.h>

namespace ko::frame {

// Whether a parallel region started here would get more than one thread.
inline bool ManyThreads() {
  return omp_get_max_threads() > 1 && omp_get_active_level() < omp_get_max_active_levels();
}

// body(i) for i in [0, n), spread statically over the threads when `wanted`
// and more than one would run.
template <class I, class Body>
void ParallelFor(I n, const Body &body, bool wanted = true) {
  if (wanted && n > 1 && ManyThreads()) {
#pragma omp parallel for schedule(static)
    for (I i = 0; i < n; ++i) body(i);
  } else {
    for (I i = 0; i < n; ++i) body(i);
  }
}

// body() once on every thread of a region, or once on this thread where only
// one would run; `#pragma omp for` loops inside it then take the whole range.
template <class Body>
void Parallel(const Body &body, bool wanted = true) {
  if (wanted && ManyThreads()) {
#pragma omp parallel
    body();
  } else {
    body();
  }
}

}  // namespace ko::frame
