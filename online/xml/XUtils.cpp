#include "online/xml/XUtils.h"

#include "core/system/TextEscape.h"

#include <cstring>
#include <mutex>
#include <new>

TTextReader::TTextReader(TByteStream& source, uint16_t blockSize, bool oem)
    : source_(source), buffer_(new char[blockSize ? blockSize : 1]),
      blockSize_(blockSize ? blockSize : 1), oem_(oem) {
    Fill();
}

TTextReader::TTextReader(std::unique_ptr<TByteStream> owned, uint16_t blockSize, bool oem)
    : owned_(std::move(owned)), source_(*owned_), buffer_(new char[blockSize ? blockSize : 1]),
      blockSize_(blockSize ? blockSize : 1), oem_(oem) {
    Fill();
}

bool TTextReader::Fill() {
    pos_ = 0;
    end_ = 0;
    if (exhausted_)
        return false;
    // A short block is the last one.
    end_ = source_.Read(buffer_.get(), blockSize_);
    if (end_ < blockSize_)
        exhausted_ = true;
    return end_ > 0;
}

char TTextReader::ReadCharSlow() {
    if (!Fill())
        return 0;
    return buffer_[pos_++];
}

namespace {

// Objects whose last reference went while another object was being destroyed.
thread_local std::vector<TRefObject*>* pendingDestruction = nullptr;

void Destroy(TRefObject* object) {
    if (pendingDestruction) {
        pendingDestruction->push_back(object);
        return;
    }
    std::vector<TRefObject*> pending;
    pendingDestruction = &pending;
    delete object;
    while (!pending.empty()) {
        TRefObject* next = pending.back();
        pending.pop_back();
        delete next;
    }
    pendingDestruction = nullptr;
}

} // namespace

// Sanitized builds take every object from the general heap, so that a use
// after free is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define XUTILS_POOLS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define XUTILS_POOLS 0
#endif
#endif
#ifndef XUTILS_POOLS
#define XUTILS_POOLS 1
#endif

namespace {

constexpr std::size_t Granule = 16;
constexpr std::size_t PooledLimit = 256;
constexpr std::size_t ChunkSize = 64 * 1024;

struct TFreeBlock {
    TFreeBlock* Next;
};

// One pool per thread and size class. Chunks are never given back: a freed
// object's block serves the next object of its size, whichever thread frees
// it. The list of chunks keeps them reachable for leak checkers.
struct TPools {
    TFreeBlock* Free[PooledLimit / Granule] = {};
    char* Bump = nullptr;
    std::size_t Left = 0;
};

thread_local TPools pools;

std::mutex chunkLock;
std::vector<void*>* chunks = nullptr;

void* NewChunk() {
    void* chunk = ::operator new(ChunkSize);
    std::lock_guard<std::mutex> lock(chunkLock);
    if (!chunks)
        chunks = new std::vector<void*>;
    chunks->push_back(chunk);
    return chunk;
}

} // namespace

void* TRefObject::operator new(std::size_t size) {
    if (!XUTILS_POOLS || size == 0 || size > PooledLimit)
        return ::operator new(size);
    const std::size_t cls = (size - 1) / Granule;
    TPools& p = pools;
    if (TFreeBlock* block = p.Free[cls]) {
        p.Free[cls] = block->Next;
        return block;
    }
    const std::size_t bytes = (cls + 1) * Granule;
    if (p.Left < bytes) {
        p.Bump = static_cast<char*>(NewChunk());
        p.Left = ChunkSize;
    }
    void* block = p.Bump;
    p.Bump += bytes;
    p.Left -= bytes;
    return block;
}

void TRefObject::operator delete(void* object, std::size_t size) noexcept {
    if (!object)
        return;
    if (!XUTILS_POOLS || size == 0 || size > PooledLimit) {
        ::operator delete(object);
        return;
    }
    const std::size_t cls = (size - 1) / Granule;
    auto* block = static_cast<TFreeBlock*>(object);
    block->Next = pools.Free[cls];
    pools.Free[cls] = block;
}

void TRefObject::Release() {
    if (refCount_ != 1) {
        --refCount_;
        return;
    }
    // The count stays at 1 while the object is destroyed, so that a reference
    // taken and dropped by its destructor cannot destroy it a second time.
    Destroy(this);
}

std::string XmlEscape(std::string_view text) {
    return Escaped(text, TEscape::XmlText);
}

// One pass from left to right gives what replacing "&apos;", "&quot;",
// "&gt;", "&lt;" and last "&amp;" one after the other gives: the entities
// can only overlap where they begin, and no replacement yields a byte that
// another entity needs.
std::string XmlUnescape(std::string_view text) {
    static constexpr struct {
        std::string_view entity;
        char c;
    } entities[] = {
        {"&apos;", '\''}, {"&quot;", '"'}, {"&gt;", '>'}, {"&lt;", '<'}, {"&amp;", '&'}};

    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const void* amp = std::memchr(text.data() + i, '&', text.size() - i);
        if (!amp) {
            out.append(text.data() + i, text.size() - i);
            break;
        }
        std::size_t at = static_cast<std::size_t>(static_cast<const char*>(amp) - text.data());
        out.append(text.data() + i, at - i);
        i = at;
        bool replaced = false;
        for (const auto& e : entities) {
            if (text.compare(at, e.entity.size(), e.entity) == 0) {
                out += e.c;
                i += e.entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += '&';
            ++i;
        }
    }
    return out;
}
