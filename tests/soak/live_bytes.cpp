#include "live_bytes.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

// Every replaceable allocation function that takes memory from malloc is
// replaced, in matching pairs: a library that allocates with one form (the
// nothrow new of std::stable_sort's buffer, say) frees with its partner, and
// both must count and both must use malloc and free. The aligned forms are
// left to the library, which pairs them itself.

namespace {

std::atomic<long long> live_bytes{0};

void* Take(std::size_t size) noexcept {
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory != nullptr) {
    live_bytes += static_cast<long long>(malloc_usable_size(memory));
  }
  return memory;
}

void Give(void* memory) noexcept {
  if (memory != nullptr) {
    live_bytes -= static_cast<long long>(malloc_usable_size(memory));
    std::free(memory);
  }
}

}  // namespace

long long LiveBytes() {
  return live_bytes;
}

void* operator new(std::size_t size) {
  if (void* memory = Take(size)) {
    return memory;
  }
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Take(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Take(size);
}

void operator delete(void* memory) noexcept {
  Give(memory);
}
void operator delete[](void* memory) noexcept {
  Give(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  Give(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
  Give(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
  Give(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
  Give(memory);
}
