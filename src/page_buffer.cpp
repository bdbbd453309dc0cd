#include "page_buffer.h"

#include <cstdint>
#include <utility>

#include <sys/mman.h>

namespace {
constexpr size_t huge_page = size_t(2) << 20;
constexpr size_t huge_from = size_t(1) << 20;
} // namespace

void advise_huge(void* p, size_t n) {
    if (n < huge_from) return;
    const uintptr_t b = (reinterpret_cast<uintptr_t>(p) + huge_page - 1) & ~uintptr_t(huge_page - 1);
    const uintptr_t e = (reinterpret_cast<uintptr_t>(p) + n) & ~uintptr_t(huge_page - 1);
    if (e > b) madvise(reinterpret_cast<void*>(b), e - b, MADV_HUGEPAGE);
}

page_buffer::page_buffer(size_t n) {
    if (n == 0) return;
    const bool huge = n >= huge_from;
    const size_t whole = (n + huge_page - 1) & ~(huge_page - 1);
    // room to start at a huge-page boundary and to end at one
    const size_t want = huge ? whole + huge_page : n;
    if (whole < n || want < n) return;
    void* m = mmap(nullptr, want, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return;
    map = m;
    map_len = want;
    ptr = static_cast<char*>(m);
    len = n;
    if (huge) {
        const uintptr_t at = (reinterpret_cast<uintptr_t>(m) + huge_page - 1) & ~uintptr_t(huge_page - 1);
        ptr = reinterpret_cast<char*>(at);
        // Only a hint: without huge pages the buffer works all the same.
        madvise(ptr, whole, MADV_HUGEPAGE);
    }
}

page_buffer::~page_buffer() {
    release();
}

page_buffer::page_buffer(page_buffer&& b) noexcept
    : ptr(std::exchange(b.ptr, nullptr)), len(std::exchange(b.len, 0)), map(std::exchange(b.map, nullptr)),
      map_len(std::exchange(b.map_len, 0)) {}

page_buffer& page_buffer::operator=(page_buffer&& b) noexcept {
    if (this != &b) {
        release();
        ptr = std::exchange(b.ptr, nullptr);
        len = std::exchange(b.len, 0);
        map = std::exchange(b.map, nullptr);
        map_len = std::exchange(b.map_len, 0);
    }
    return *this;
}

void page_buffer::release() {
    if (map) munmap(map, map_len);
    map = nullptr;
    map_len = 0;
    ptr = nullptr;
    len = 0;
}
