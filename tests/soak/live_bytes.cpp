#include "live_bytes.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long long> live_bytes{0};
}

long long LiveBytes() {
  return live_bytes;
}

void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size == 0 ? 1 : size)) {
    live_bytes += static_cast<long long>(malloc_usable_size(memory));
    return memory;
  }
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
  if (memory != nullptr) {
    live_bytes -= static_cast<long long>(malloc_usable_size(memory));
    std::free(memory);
  }
}

void operator delete(void* memory, std::size_t) noexcept {
  operator delete(memory);
}
