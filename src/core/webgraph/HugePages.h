#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace webgraph {

// An allocator whose large blocks lie on 2 MiB pages where the kernel gives them (transparent huge pages,
// asked for with madvise). Tables read at random places (a name's slot, a domain's count) then cost one
// translation entry per 2 MiB instead of one per 4 KiB: on a virtual machine a missed translation is a walk
// through two page tables, and a prefetch that needs one is often dropped. Small blocks come from the heap.
template <class T> struct HugePageAllocator
{
    using value_type = T;
    static constexpr std::size_t Huge = std::size_t(2) << 20;

    HugePageAllocator() = default;
    template <class U> HugePageAllocator(const HugePageAllocator<U> &) noexcept {}

    T *allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < Huge)
            return std::allocator<T>().allocate(n);
        // 2 MiB more than the block is mapped, and what lies outside the block's 2 MiB-aligned place given
        // back, so that every part of it can lie on huge pages.
        const std::size_t size = rounded(bytes);
        void *mapped = mmap(nullptr, size + Huge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            throw std::bad_alloc();
        char *const start = static_cast<char *>(mapped);
        char *const block = start + (Huge - reinterpret_cast<std::uintptr_t>(start) % Huge) % Huge;
        if (block > start)
            munmap(start, std::size_t(block - start));
        munmap(block + size, std::size_t(start + Huge - block)); // the block begins less than Huge in
        madvise(block, size, MADV_HUGEPAGE);
        return reinterpret_cast<T *>(block);
    }
    void deallocate(T *p, std::size_t n) noexcept
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < Huge)
            std::allocator<T>().deallocate(p, n);
        else
            munmap(p, rounded(bytes));
    }
    template <class U> bool operator==(const HugePageAllocator<U> &) const noexcept { return true; }

private:
    static std::size_t rounded(std::size_t bytes) { return (bytes + Huge - 1) / Huge * Huge; }
};

template <class T> using HugeVector = std::vector<T, HugePageAllocator<T>>;

} // namespace webgraph
