#pragma once
// Support for the XML reader and document model: a block reader over a
// stream, reference counting with a holder, lists that notify their owner of
// membership, and the escaping of the five predefined entities.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the readers read from: bytes taken in blocks from the current position.
class TByteStream {
public:
    virtual ~TByteStream() = default;
    // Up to size bytes into buffer; fewer only at the end. A source that
    // fails counts as ended: the reader then reports what it has as the end
    // of the input, never garbage.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

// Bytes in memory, read where they are: they must outlive the reading.
class TMemoryByteStream final : public TByteStream {
public:
    explicit TMemoryByteStream(std::string_view bytes) : bytes_(bytes) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        const std::size_t n = size < bytes_.size() - pos_ ? size : bytes_.size() - pos_;
        if (n > 0)
            std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// A standard stream from its current position, owned when given so. Inline,
// so that a program that never reads a standard stream carries none of the
// streams' code.
class TStdByteStream final : public TByteStream {
public:
    explicit TStdByteStream(std::istream& stream) : stream_(stream) {}
    explicit TStdByteStream(std::unique_ptr<std::istream> stream)
        : owned_(std::move(stream)), stream_(*owned_) {}
    std::size_t Read(char* buffer, std::size_t size) override {
        if (!stream_)
            return 0;
        stream_.read(buffer, static_cast<std::streamsize>(size));
        const std::streamsize got = stream_.gcount();
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

private:
    std::unique_ptr<std::istream> owned_;
    std::istream& stream_;
};

// Reads a byte stream from its current position in blocks of a fixed size.
class TTextReader {
public:
    // The first block is read here. The stream is not owned.
    TTextReader(TByteStream& source, uint16_t blockSize, bool oem = false);
    TTextReader(std::istream& source, uint16_t blockSize, bool oem = false)
        : TTextReader(std::make_unique<TStdByteStream>(source), blockSize, oem) {}
    TTextReader(const TTextReader&) = delete;
    TTextReader& operator=(const TTextReader&) = delete;

    // The next byte; the byte 0 when the stream is exhausted.
    char ReadChar() {
        if (pos_ < end_)
            return buffer_[pos_++];
        return ReadCharSlow();
    }
    // No byte left in the buffer and none left in the stream.
    bool Eof() {
        if (pos_ < end_)
            return false;
        return !Fill();
    }
    // Block access for callers that scan for a delimiter: the unread bytes of
    // the current block, and how many of them were used.
    const char* Current() const { return buffer_.get() + pos_; }
    std::size_t Available() const { return end_ - pos_; }
    void Advance(std::size_t n) { pos_ += n; }
    // Reads the next block once the current one is used up; false at the end.
    bool Fill();

    // Conversion from the OEM code page exists only for Windows consoles and
    // is never asked for; elsewhere the bytes pass unchanged.
    bool Oem() const { return oem_; }

private:
    TTextReader(std::unique_ptr<TByteStream> owned, uint16_t blockSize, bool oem);
    char ReadCharSlow();

    std::unique_ptr<TByteStream> owned_;
    TByteStream& source_;
    std::unique_ptr<char[]> buffer_;
    std::size_t blockSize_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool oem_;
    bool exhausted_ = false;
};

// An object that lives as long as someone holds a counted reference to it.
class TRefObject {
public:
    TRefObject() = default;
    TRefObject(const TRefObject&) = delete;
    TRefObject& operator=(const TRefObject&) = delete;
    virtual ~TRefObject() = default;

    // Called when a holder disposes of the object; the classes here need
    // nothing done.
    virtual void Dispose() {}

    void AddRef() { ++refCount_; }
    // Destroys the object when the last reference goes. While one object is
    // being destroyed, the objects it lets go of are destroyed after it, one
    // by one, so that a long chain of owners (a deeply nested tree) never
    // unwinds through the call stack.
    void Release();
    int32_t RefCount() const { return refCount_; }

    // Counted objects come from pools of their own: a document is many
    // thousands of small nodes, made and freed together, and the general heap
    // gives the memory of a freed tree back to the system only to fault it
    // in again for the next one.
    static void* operator new(std::size_t size);
    static void operator delete(void* object, std::size_t size) noexcept;

private:
    int32_t refCount_ = 0;
};

// A holder of one counted reference.
template <class T> class TRefPtr {
public:
    TRefPtr() = default;
    TRefPtr(std::nullptr_t) {}
    explicit TRefPtr(T* object) : object_(object) {
        if (object_)
            object_->AddRef();
    }
    TRefPtr(const TRefPtr& other) : TRefPtr(other.object_) {}
    template <class U> TRefPtr(const TRefPtr<U>& other) : TRefPtr(other.get()) {}
    TRefPtr(TRefPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ~TRefPtr() { Reset(); }

    TRefPtr& operator=(const TRefPtr& other) {
        Assign(other.object_);
        return *this;
    }
    TRefPtr& operator=(TRefPtr&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(object_, std::exchange(other.object_, nullptr));
            if (old)
                old->Release();
        }
        return *this;
    }
    TRefPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    // Holding the object already held changes nothing.
    void Assign(T* object) {
        if (object == object_)
            return;
        if (object)
            object->AddRef();
        T* old = std::exchange(object_, object);
        if (old)
            old->Release();
    }
    void Reset() {
        if (T* old = std::exchange(object_, nullptr))
            old->Release();
    }
    // The extra reference keeps the object alive through its own Dispose.
    void Dispose() {
        if (!object_)
            return;
        T* object = object_;
        object->AddRef();
        object->Dispose();
        object->Release();
        Reset();
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_ = nullptr;
};

template <class T, class... Args> TRefPtr<T> MakeRef(Args&&... args) {
    return TRefPtr<T>(new T(std::forward<Args>(args)...));
}

// Pointers in order, the first two kept inside the object: a document holds
// a child list and an attribute map for nearly every element, and most of
// them hold one or two nodes, which then cost no allocation of their own.
template <class T> class TPointerArray {
public:
    TPointerArray() = default;
    TPointerArray(const TPointerArray&) = delete;
    TPointerArray& operator=(const TPointerArray&) = delete;
    ~TPointerArray() { Release(); }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* operator[](std::size_t i) const { return data_[i]; }
    T* back() const { return data_[size_ - 1]; }
    void pop_back() { --size_; }

    void insert(std::size_t index, T* item) {
        if (size_ == capacity_)
            Grow();
        std::memmove(data_ + index + 1, data_ + index, (size_ - index) * sizeof(T*));
        data_[index] = item;
        ++size_;
    }
    void erase(std::size_t index) {
        std::memmove(data_ + index, data_ + index + 1, (size_ - index - 1) * sizeof(T*));
        --size_;
    }
    // Empties the array and gives back its storage.
    void Release() {
        if (data_ != inline_)
            delete[] data_;
        data_ = inline_;
        capacity_ = InlineCount;
        size_ = 0;
    }

private:
    static constexpr std::size_t InlineCount = 2;

    void Grow() {
        std::size_t capacity = capacity_ * 2;
        T** data = new T*[capacity];
        std::memcpy(data, data_, size_ * sizeof(T*));
        if (data_ != inline_)
            delete[] data_;
        data_ = data;
        capacity_ = capacity;
    }

    T* inline_[InlineCount] = {};
    T** data_ = inline_;
    std::size_t size_ = 0;
    std::size_t capacity_ = InlineCount;
};

// A list of pointers that tells its subclasses what enters and leaves it.
// Destroying the list frees every item through FreeItem; a subclass that
// overrides the hooks clears the list in its own destructor, because the
// hooks of a subclass no longer run once the base destructor is reached.
template <class T> class TXList {
public:
    TXList() = default;
    TXList(const TXList&) = delete;
    TXList& operator=(const TXList&) = delete;
    virtual ~TXList() { Clear(); }

    int Count() const { return static_cast<int>(items_.size()); }
    T* Items(int index) const { return items_[static_cast<std::size_t>(index)]; }
    int IndexOf(const T* item) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == item)
                return static_cast<int>(i);
        return -1;
    }

    void Insert(int index, T* item) {
        items_.insert(static_cast<std::size_t>(index), item);
        if (item)
            ItemAdded(item);
    }
    void Add(T* item) { Insert(Count(), item); }
    T* Extract(int index) {
        T* item = items_[static_cast<std::size_t>(index)];
        items_.erase(static_cast<std::size_t>(index));
        if (item)
            ItemRemoved(item);
        return item;
    }
    void Clear() {
        while (!items_.empty()) {
            T* item = items_.back();
            items_.pop_back();
            if (item) {
                ItemRemoved(item);
                FreeItem(item);
            }
        }
        items_.Release();
    }

protected:
    virtual void ItemAdded(T*) {}
    virtual void ItemRemoved(T*) {}
    virtual void FreeItem(T* item) { delete item; }

private:
    TPointerArray<T> items_;
};

// Holds a counted reference to each member.
class TRefObjectList : public TXList<TRefObject> {
public:
    ~TRefObjectList() override { Clear(); }

protected:
    void ItemAdded(TRefObject* item) override { item->AddRef(); }
    void ItemRemoved(TRefObject* item) override { item->Release(); }
    void FreeItem(TRefObject*) override {}
};

// "&" "<" ">" the double quote and the apostrophe as entities.
std::string XmlEscape(std::string_view text);
// The five predefined entities back to their characters. Every other entity
// and every character reference stays as written; "&amp;lt;" gives "&lt;".
std::string XmlUnescape(std::string_view text);
