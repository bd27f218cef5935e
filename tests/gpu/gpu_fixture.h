// Shared by the GPU suites: the device of gpu_device.h, the check that it
// exists, and a counting record for leak checks.
//
// A missing runtime or device is a failure of the suite, never a skip: call
// KOTEST_REQUIRE_DEVICE() at the top of every test that needs one.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <type_traits>
#include <utility>

#include "gpu_device.h"

#define KOTEST_REQUIRE_DEVICE() \
  ASSERT_TRUE(::kotest::gpu::Shared()) << "OpenCL device required: " << ::kotest::gpu::Shared().error

namespace kotest::gpu {

// ---- Counting record ---------------------------------------------------------
// Live OpenCL objects by kind, counted by wrappers around a record's create,
// retain and release entries: a leak check compares them before and after.

enum ObjectKind { kMem, kKernel, kProgram, kSampler, kEvent, kKinds };

inline std::atomic<int> *LiveCounts() {
  static std::atomic<int> live[kKinds];
  return live;
}
inline int LiveObjects() {
  int n = 0;
  for (int i = 0; i < kKinds; ++i) n += LiveCounts()[i];
  return n;
}

// The library's entry points as first loaded, called by the wrappers.
inline const KoOpenCLRuntime &OriginalEntries() {
  static const KoOpenCLRuntime original = *LibraryRuntime();
  return original;
}

namespace detail {
template <auto M, int Kind, int Delta,
          class Fn = std::remove_reference_t<decltype(std::declval<KoOpenCLRuntime &>().*M)>>
struct Counter;
template <auto M, int Kind, int Delta, class R, class... P>
struct Counter<M, Kind, Delta, R (*)(P...)> {
  static R CL_API_CALL Call(P... p) {
    R r = (OriginalEntries().*M)(p...);
    if constexpr (std::is_pointer_v<R>) {
      if (r) LiveCounts()[Kind] += Delta;
    } else if (r == CL_SUCCESS) {
      LiveCounts()[Kind] += Delta;
    }
    return r;
  }
};
}  // namespace detail

// Replaces rt's create, retain and release entries with counting ones (rt
// may be the library's own record, or a copy).
inline void InstallCounting(KoOpenCLRuntime *rt) {
  OriginalEntries();
#define KOTEST_COUNT(name, kind, delta) rt->name = &detail::Counter<&KoOpenCLRuntime::name, kind, delta>::Call
  KOTEST_COUNT(clCreateBuffer, kMem, 1);
  KOTEST_COUNT(clCreateSubBuffer, kMem, 1);
  KOTEST_COUNT(clCreateImage2D, kMem, 1);
  KOTEST_COUNT(clCreateImage3D, kMem, 1);
  KOTEST_COUNT(clRetainMemObject, kMem, 1);
  KOTEST_COUNT(clReleaseMemObject, kMem, -1);
  KOTEST_COUNT(clCreateKernel, kKernel, 1);
  KOTEST_COUNT(clRetainKernel, kKernel, 1);
  KOTEST_COUNT(clReleaseKernel, kKernel, -1);
  KOTEST_COUNT(clCreateProgramWithSource, kProgram, 1);
  KOTEST_COUNT(clCreateProgramWithBinary, kProgram, 1);
  KOTEST_COUNT(clRetainProgram, kProgram, 1);
  KOTEST_COUNT(clReleaseProgram, kProgram, -1);
  KOTEST_COUNT(clCreateSampler, kSampler, 1);
  KOTEST_COUNT(clRetainSampler, kSampler, 1);
  KOTEST_COUNT(clReleaseSampler, kSampler, -1);
  KOTEST_COUNT(clCreateUserEvent, kEvent, 1);
  KOTEST_COUNT(clRetainEvent, kEvent, 1);
  KOTEST_COUNT(clReleaseEvent, kEvent, -1);
#undef KOTEST_COUNT
}

// Puts the library record's original entries back.
inline void RemoveCounting(KoOpenCLRuntime *rt) {
  std::memcpy(static_cast<void *>(&rt->clGetPlatformIDs), &OriginalEntries().clGetPlatformIDs, 86 * sizeof(void *));
}

// A host record: a copy of the library's entries with counting create and
// release entries and locks of its own.
struct CountingRecord {
  KoOpenCLRuntime rt;
  ko::platform::LockStorage *Lock2() { return reinterpret_cast<ko::platform::LockStorage *>(&rt.lock2); }
  CountingRecord() {
    std::memcpy(static_cast<void *>(&rt), &OriginalEntries(), sizeof(rt));
    ko::platform::LockInit(ko::gpu::RecordLock(&rt));
    ko::platform::LockInit(Lock2());
    rt.serialise = 0;
    InstallCounting(&rt);
  }
  ~CountingRecord() {
    ko::platform::LockDelete(ko::gpu::RecordLock(&rt));
    ko::platform::LockDelete(Lock2());
  }
  CountingRecord(const CountingRecord &) = delete;
  CountingRecord &operator=(const CountingRecord &) = delete;
};

}  // namespace kotest::gpu
