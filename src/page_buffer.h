#pragma once

#include <cstddef>

// Asks for huge pages for the part of [p, p + n) that covers whole ones, when n is a megabyte or
// more and the memory is not touched yet (as for a matrix just allocated): a hint, nothing more.
void advise_huge(void* p, size_t n);

// A zero-filled block of memory for a large buffer that is filled all at once. Blocks of a
// megabyte or more ask for huge pages: touching a fresh buffer then costs one page fault per
// 2 MiB instead of one per 4 KiB, which on virtual machines can cost more than filling it.
class page_buffer {
public:
    page_buffer() = default;
    // n bytes; empty (data() null) when the memory cannot be had.
    explicit page_buffer(size_t n);
    ~page_buffer();
    page_buffer(page_buffer&& b) noexcept;
    page_buffer& operator=(page_buffer&& b) noexcept;
    page_buffer(const page_buffer&) = delete;
    page_buffer& operator=(const page_buffer&) = delete;

    char* data() const { return ptr; }
    size_t size() const { return len; }

private:
    void release();

    char* ptr = nullptr;
    size_t len = 0;
    void* map = nullptr; // the whole mapping, which starts before ptr when ptr was aligned
    size_t map_len = 0;
};
