#include <sys/mman.h>

#include <algorithm>
#include <new>

#include "memtable/mem_data.h"

#if defined(__SANITIZE_ADDRESS__)
#define SPISOTEK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPISOTEK_ASAN 1
#endif
#endif

#ifdef SPISOTEK_ASAN
#include <sanitizer/asan_interface.h>
#define POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define POISON(address, size) ((void)(address), (void)(size))
#define UNPOISON(address, size) ((void)(address), (void)(size))
#endif

namespace spisotek {
namespace {

constexpr size_t kFirstChunkBytes = 64 * 1024;
constexpr size_t kLargestChunkBytes = 64 * 1024 * 1024;
constexpr size_t kHugePage = 2 * 1024 * 1024;

}  // namespace

TdxRecordArena::~TdxRecordArena() {
    ReleaseChunks();
}

void TdxRecordArena::ReleaseChunks() {
    for (const Chunk& chunk : chunks_) {
        // Memory that the system may hand out again must not stay poisoned.
        UNPOISON(chunk.memory, chunk.bytes);
        munmap(chunk.memory, chunk.bytes);
    }
    chunks_.clear();
    freeList_.clear();
    next_ = nullptr;
    end_ = nullptr;
}

void TdxRecordArena::Reset(int blockSize) {
    ReleaseChunks();
    blockSize_ = std::max(blockSize, 1);
    nextChunkBlocks_ = std::max<size_t>(kFirstChunkBytes / static_cast<size_t>(blockSize_), 1);
}

void TdxRecordArena::AddChunk(size_t blocks) {
    const size_t bytes = blocks * static_cast<size_t>(blockSize_);
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    if (bytes >= kHugePage) {
        // Fewer page faults when a large file fills the table.
        madvise(memory, bytes, MADV_HUGEPAGE);
    }
    chunks_.push_back({static_cast<unsigned char*>(memory), bytes});
    next_ = static_cast<unsigned char*>(memory);
    end_ = next_ + bytes;
    POISON(next_, bytes);
}

void TdxRecordArena::Reserve(size_t count) {
    const size_t left = static_cast<size_t>(end_ - next_) / static_cast<size_t>(blockSize_);
    if (count > left + freeList_.size()) {
        AddChunk(count - freeList_.size());
    }
}

unsigned char* TdxRecordArena::Allocate() {
    unsigned char* block;
    if (!freeList_.empty()) {
        block = freeList_.back();
        freeList_.pop_back();
    } else {
        if (next_ == end_) {
            AddChunk(nextChunkBlocks_);
            nextChunkBlocks_ =
                std::min(nextChunkBlocks_ * 2,
                         std::max<size_t>(kLargestChunkBytes / static_cast<size_t>(blockSize_), 1));
        }
        block = next_;
        next_ += blockSize_;
    }
    UNPOISON(block, static_cast<size_t>(blockSize_));
    return block;
}

void TdxRecordArena::Free(unsigned char* block) {
    POISON(block, static_cast<size_t>(blockSize_));
    freeList_.push_back(block);
}

}  // namespace spisotek
