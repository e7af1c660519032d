#include "failing_new/failing_new.h"

#include <cstdlib>
#include <new>

namespace {

long countdown = 0;
bool failed = false;

void *Allocate(std::size_t size) {
  if (countdown > 0 && --countdown == 0) {
    failed = true;
    throw std::bad_alloc();
  }
  void *block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void *AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

}  // namespace

namespace custor::testing {

void FailAllocation(long n) {
  countdown = n;
  failed = false;
}

void StopFailing() { countdown = 0; }

bool AllocationFailed() { return failed; }

}  // namespace custor::testing

// The replacements of the program: every form of new and delete but the over-aligned ones, which keep
// the runtime's own pair.
void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return AllocateOrNull(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return AllocateOrNull(size); }
void operator delete(void *block) noexcept { std::free(block); }
void operator delete[](void *block) noexcept { std::free(block); }
void operator delete(void *block, std::size_t) noexcept { std::free(block); }
void operator delete[](void *block, std::size_t) noexcept { std::free(block); }
void operator delete(void *block, const std::nothrow_t &) noexcept { std::free(block); }
void operator delete[](void *block, const std::nothrow_t &) noexcept { std::free(block); }
