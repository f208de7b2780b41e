#pragma once
// A pull reader for a small, lenient subset of XML. It works on single bytes,
// keeps the stack of open elements and checks that end tags match, and
// leaves entities and the document type as written.

#include "core/system/Errors.h"
#include "online/xml/XUtils.h"

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Malformed XML. Some malformations are reported with the general error
// class instead; both carry the message for the user.
class EXmlReader : public EMorvaneError {
public:
    using EMorvaneError::EMorvaneError;
};

// Which bytes end a gathering run.
using TXmlByteSet = std::array<bool, 256>;

// The byte source of the reader: a block reader with bytes given back.
class TXmlReaderStream {
public:
    static constexpr uint16_t BlockSize = 4096;

    explicit TXmlReaderStream(TByteStream& stream);
    explicit TXmlReaderStream(std::unique_ptr<TByteStream> stream);
    explicit TXmlReaderStream(std::istream& stream)
        : TXmlReaderStream(std::make_unique<TStdByteStream>(stream)) {}
    explicit TXmlReaderStream(std::unique_ptr<std::istream> stream)
        : TXmlReaderStream(std::make_unique<TStdByteStream>(std::move(stream))) {}
    TXmlReaderStream(const TXmlReaderStream&) = delete;
    TXmlReaderStream& operator=(const TXmlReaderStream&) = delete;
    ~TXmlReaderStream();

    bool Eof() { return pushBack_.empty() && reader_.Eof(); }
    // The byte 0 at the end of the input.
    char ReadChar() {
        if (!pushBack_.empty()) {
            char c = pushBack_.back();
            pushBack_.pop_back();
            return c;
        }
        return reader_.ReadChar();
    }
    char PeekChar() {
        if (!pushBack_.empty())
            return pushBack_.back();
        if (reader_.Eof())
            return 0;
        return *reader_.Current();
    }
    void Unread(char c) { pushBack_.push_back(c); }
    // The text is read again in the same order.
    void UnreadText(std::string_view text) { pushBack_.append(text.rbegin(), text.rend()); }
    // Drops bytes 0 to 32 up to the first other byte or the end of the input.
    void SkipWhitespace();
    // Reads the text if the input continues with it; otherwise gives back
    // what was read. With consume false a match is given back as well.
    bool Match(std::string_view text, bool consume);

    enum class TScan { Stopped, Limited, Ended };
    // Appends bytes to out until the next byte is one of stop (left unread),
    // until limit bytes were appended, or until the end of the input.
    TScan ScanUntil(const TXmlByteSet& stop, std::string& out, std::size_t limit);
    TScan ScanUntil(char stop, std::string& out, std::size_t limit);

private:
    std::unique_ptr<TByteStream> owned_;
    TTextReader reader_;
    std::string pushBack_;
};

enum TXmlTokenKind : uint8_t {
    xtProcessingInstruction,
    xtDocumentType,
    xtComment,
    xtCDATA,
    xtStartElement,
    xtEndElement,
    xtAttribute,
    xtText,
    xtEndOfDocument,
};

class TXmlReader {
public:
    TXmlReader() = default;
    TXmlReader(const TXmlReader&) = delete;
    TXmlReader& operator=(const TXmlReader&) = delete;
    ~TXmlReader() { Close(); }

    // 0: values come whole. When positive, text, comment and CDATA values
    // that reach this length are delivered in pieces of 8191-byte steps.
    int32_t MaxValueLength = 0;

    void Open(TByteStream& stream);
    void Open(std::unique_ptr<TByteStream> stream);
    void Open(std::istream& stream) { Open(std::make_unique<TStdByteStream>(stream)); }
    void Open(std::unique_ptr<std::istream> stream) {
        Open(std::make_unique<TStdByteStream>(std::move(stream)));
    }
    void Close();

    TXmlTokenKind Next();

    TXmlTokenKind TokenKind() const { return tokenKind_; }
    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }
    bool IsFirstPiece() const { return isFirstPiece_; }
    bool IsLastPiece() const { return isLastPiece_; }
    bool Eof() const { return eof_; }
    int Depth() const { return static_cast<int>(openElements_.size()); }
    const std::vector<std::string>& OpenElements() const { return openElements_; }

private:
    enum class TContinuation { None, Text, StartTag, Comment, CDATA };

    void Opened();
    TXmlTokenKind ReadProcessingInstruction();
    TXmlTokenKind ReadDocumentType();
    TXmlTokenKind ReadComment();
    TXmlTokenKind ReadCDATA();
    TXmlTokenKind ReadStartTag();
    TXmlTokenKind ReadAttribute();
    TXmlTokenKind ReadEndTag();
    TXmlTokenKind ReadText();
    void GatherName(const TXmlByteSet& stop, std::string& out, bool& ended);
    std::size_t PieceRoom() const;
    bool PieceFull() const;
    TXmlTokenKind SplitPiece(TXmlTokenKind kind, TContinuation state, std::size_t keep);

    TXmlTokenKind tokenKind_ = xtEndOfDocument;
    std::string name_;
    std::string value_;
    bool isFirstPiece_ = true;
    bool isLastPiece_ = true;
    bool eof_ = true;
    std::vector<std::string> openElements_;
    TContinuation continuation_ = TContinuation::None;
    std::unique_ptr<TXmlReaderStream> source_;
};
