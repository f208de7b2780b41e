#include "online/xml/XUtils.h"

#include <cstring>

TTextReader::TTextReader(std::istream& source, uint16_t blockSize, bool oem)
    : source_(source), buffer_(new char[blockSize ? blockSize : 1]),
      blockSize_(blockSize ? blockSize : 1), oem_(oem) {
    Fill();
}

bool TTextReader::Fill() {
    pos_ = 0;
    end_ = 0;
    if (exhausted_)
        return false;
    // A stream that fails counts as ended: the reader then reports what it
    // has as the end of the input, never garbage.
    source_.read(buffer_.get(), static_cast<std::streamsize>(blockSize_));
    std::streamsize got = source_.gcount();
    if (got > 0)
        end_ = static_cast<std::size_t>(got);
    if (!source_)
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
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
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
