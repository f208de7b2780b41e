#include "online/xml/XXml.h"

#include <cstring>
#include <limits>

namespace {

// Bytes are moved from the reader's working buffer into a name or value in
// steps of this many; values are split into pieces only at these steps.
constexpr std::size_t Step = 8191;
constexpr std::size_t NoLimit = std::numeric_limits<std::size_t>::max();

constexpr bool IsSpace(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

constexpr TXmlByteSet ByteSet(std::string_view bytes, bool withSpace) {
    TXmlByteSet set{};
    for (int b = 0; b < 256; ++b)
        set[static_cast<std::size_t>(b)] = withSpace && b <= 32;
    for (char c : bytes)
        set[static_cast<unsigned char>(c)] = true;
    return set;
}

constexpr TXmlByteSet InstructionTargetEnd = ByteSet(">?", true);
constexpr TXmlByteSet DocumentTypeNameEnd = ByteSet(">", true);
constexpr TXmlByteSet DocumentTypeRestStop = ByteSet("<>", false);
constexpr TXmlByteSet StartTagNameEnd = ByteSet("/>", true);
constexpr TXmlByteSet AttributeNameEnd = ByteSet("=>", true);
constexpr TXmlByteSet UnquotedValueEnd = ByteSet("/>", true);
constexpr TXmlByteSet EndTagNameEnd = ByteSet(">", true);

#define XML_ERROR "Ошибка в XML-документе: "

[[noreturn]] void Fail(const char* message) {
    throw EXmlReader(message);
}
[[noreturn]] void FailGeneral(const char* message) {
    throw EMorvaneError(message);
}

} // namespace

TXmlReaderStream::TXmlReaderStream(TByteStream& stream) : reader_(stream, BlockSize) {}

TXmlReaderStream::TXmlReaderStream(std::unique_ptr<TByteStream> stream)
    : owned_(std::move(stream)), reader_(*owned_, BlockSize) {}

TXmlReaderStream::~TXmlReaderStream() = default;

void TXmlReaderStream::SkipWhitespace() {
    while (!pushBack_.empty()) {
        if (!IsSpace(pushBack_.back()))
            return;
        pushBack_.pop_back();
    }
    while (!reader_.Eof()) {
        const char* p = reader_.Current();
        std::size_t n = reader_.Available();
        std::size_t i = 0;
        while (i < n && IsSpace(p[i]))
            ++i;
        reader_.Advance(i);
        if (i < n)
            return;
    }
}

bool TXmlReaderStream::Match(std::string_view text, bool consume) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Eof()) {
            UnreadText(text.substr(0, i));
            return false;
        }
        char c = ReadChar();
        if (c != text[i]) {
            Unread(c);
            UnreadText(text.substr(0, i));
            return false;
        }
    }
    if (!consume)
        UnreadText(text);
    return true;
}

TXmlReaderStream::TScan TXmlReaderStream::ScanUntil(const TXmlByteSet& stop, std::string& out,
                                                    std::size_t limit) {
    while (!pushBack_.empty()) {
        if (limit == 0)
            return TScan::Limited;
        char c = pushBack_.back();
        if (stop[static_cast<unsigned char>(c)])
            return TScan::Stopped;
        out += c;
        pushBack_.pop_back();
        --limit;
    }
    while (!reader_.Eof()) {
        if (limit == 0)
            return TScan::Limited;
        const char* p = reader_.Current();
        std::size_t n = reader_.Available();
        if (n > limit)
            n = limit;
        std::size_t i = 0;
        while (i < n && !stop[static_cast<unsigned char>(p[i])])
            ++i;
        out.append(p, i);
        reader_.Advance(i);
        limit -= i;
        if (i < n)
            return TScan::Stopped;
    }
    return TScan::Ended;
}

TXmlReaderStream::TScan TXmlReaderStream::ScanUntil(char stop, std::string& out,
                                                    std::size_t limit) {
    while (!pushBack_.empty()) {
        if (limit == 0)
            return TScan::Limited;
        char c = pushBack_.back();
        if (c == stop)
            return TScan::Stopped;
        out += c;
        pushBack_.pop_back();
        --limit;
    }
    while (!reader_.Eof()) {
        if (limit == 0)
            return TScan::Limited;
        const char* p = reader_.Current();
        std::size_t n = reader_.Available();
        if (n > limit)
            n = limit;
        const void* hit = std::memchr(p, stop, n);
        std::size_t i = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - p) : n;
        out.append(p, i);
        reader_.Advance(i);
        limit -= i;
        if (hit)
            return TScan::Stopped;
    }
    return TScan::Ended;
}

void TXmlReader::Open(TByteStream& stream) {
    Close();
    source_ = std::make_unique<TXmlReaderStream>(stream);
    Opened();
}

void TXmlReader::Open(std::unique_ptr<TByteStream> stream) {
    Close();
    source_ = std::make_unique<TXmlReaderStream>(std::move(stream));
    Opened();
}

void TXmlReader::Opened() {
    tokenKind_ = xtEndOfDocument;
    eof_ = source_->Eof();
    openElements_.clear();
    continuation_ = TContinuation::None;
}

void TXmlReader::Close() {
    source_.reset();
    openElements_.clear();
    continuation_ = TContinuation::None;
    tokenKind_ = xtEndOfDocument;
    eof_ = true;
}

TXmlTokenKind TXmlReader::Next() {
    name_.clear();
    value_.clear();
    isFirstPiece_ = true;
    isLastPiece_ = true;
    TXmlTokenKind result = xtEndOfDocument;

    if (!eof_ && source_ && !source_->Eof()) {
        TXmlReaderStream& in = *source_;
        switch (continuation_) {
        case TContinuation::Text:
            isFirstPiece_ = false;
            result = ReadText();
            break;
        case TContinuation::StartTag:
            result = ReadAttribute();
            break;
        case TContinuation::Comment:
            isFirstPiece_ = false;
            result = ReadComment();
            break;
        case TContinuation::CDATA:
            isFirstPiece_ = false;
            result = ReadCDATA();
            break;
        case TContinuation::None:
            if (openElements_.empty())
                in.SkipWhitespace();
            if (in.Eof())
                break;
            char c = in.ReadChar();
            if (c == '<') {
                if (in.Eof())
                    FailGeneral(XML_ERROR "неожидаемое завершение текста");
                c = in.ReadChar();
                if (c == '!') {
                    if (in.Match("--", true))
                        result = ReadComment();
                    else if (in.Match("[CDATA[", true))
                        result = ReadCDATA();
                    else if (in.Match("DOCTYPE", true))
                        result = ReadDocumentType();
                    else
                        FailGeneral(XML_ERROR "неизвестная специальная инструкция");
                } else if (c == '/') {
                    result = ReadEndTag();
                } else if (c == '?') {
                    result = ReadProcessingInstruction();
                } else {
                    in.Unread(c);
                    result = ReadStartTag();
                }
            } else {
                in.Unread(c);
                if (openElements_.empty())
                    FailGeneral(XML_ERROR "текст вне элемента");
                result = ReadText();
            }
            break;
        }
    }

    if (result == xtEndOfDocument)
        eof_ = true;
    tokenKind_ = result;
    return result;
}

// A name that the end of the input cuts off keeps only the bytes that were
// already moved out of the working buffer, whole steps of 8191.
void TXmlReader::GatherName(const TXmlByteSet& stop, std::string& out, bool& ended) {
    ended = source_->ScanUntil(stop, out, NoLimit) == TXmlReaderStream::TScan::Ended;
    if (ended)
        out.resize(out.size() - out.size() % Step);
}

std::size_t TXmlReader::PieceRoom() const {
    if (MaxValueLength <= 0)
        return NoLimit;
    return Step - value_.size() % Step;
}

bool TXmlReader::PieceFull() const {
    return MaxValueLength > 0 && !value_.empty() && value_.size() % Step == 0 &&
           value_.size() >= static_cast<std::size_t>(MaxValueLength);
}

// The last bytes of a piece are read again with the next piece, so that an
// end marker split between two pieces is still recognised.
TXmlTokenKind TXmlReader::SplitPiece(TXmlTokenKind kind, TContinuation state, std::size_t keep) {
    source_->UnreadText(std::string_view(value_).substr(value_.size() - keep));
    value_.resize(value_.size() - keep);
    isLastPiece_ = false;
    continuation_ = state;
    return kind;
}

TXmlTokenKind TXmlReader::ReadProcessingInstruction() {
    TXmlReaderStream& in = *source_;
    in.SkipWhitespace();
    bool ended;
    GatherName(InstructionTargetEnd, name_, ended);
    if (name_.empty())
        Fail(XML_ERROR "не задано имя в обрабатывающей инструкции");
    in.SkipWhitespace();
    for (;;) {
        if (in.ScanUntil('>', value_, NoLimit) == TXmlReaderStream::TScan::Ended)
            Fail(XML_ERROR "ожидается \"?>\"");
        in.ReadChar();
        if (!value_.empty() && value_.back() == '?') {
            value_.pop_back();
            break;
        }
        value_ += '>';
    }
    continuation_ = TContinuation::None;
    return xtProcessingInstruction;
}

TXmlTokenKind TXmlReader::ReadDocumentType() {
    TXmlReaderStream& in = *source_;
    in.SkipWhitespace();
    bool ended;
    GatherName(DocumentTypeNameEnd, name_, ended);
    if (name_.empty())
        Fail(XML_ERROR "не задано имя в типе документа");
    in.SkipWhitespace();
    int nesting = 1;
    for (;;) {
        if (in.ScanUntil(DocumentTypeRestStop, value_, NoLimit) == TXmlReaderStream::TScan::Ended)
            Fail(XML_ERROR "ожидается \">\" для типа документа");
        char c = in.ReadChar();
        nesting += c == '<' ? 1 : -1;
        if (nesting == 0)
            break;
        value_ += c;
    }
    continuation_ = TContinuation::None;
    return xtDocumentType;
}

TXmlTokenKind TXmlReader::ReadComment() {
    TXmlReaderStream& in = *source_;
    for (;;) {
        if (PieceFull())
            return SplitPiece(xtComment, TContinuation::Comment, 2);
        auto scan = in.ScanUntil('>', value_, PieceRoom());
        if (scan == TXmlReaderStream::TScan::Ended)
            Fail(XML_ERROR "ожидается \"-->\"");
        if (scan == TXmlReaderStream::TScan::Limited)
            continue;
        in.ReadChar();
        std::size_t n = value_.size();
        if (n >= 2 && value_[n - 1] == '-' && value_[n - 2] == '-') {
            value_.resize(n - 2);
            break;
        }
        value_ += '>';
    }
    continuation_ = TContinuation::None;
    return xtComment;
}

TXmlTokenKind TXmlReader::ReadCDATA() {
    TXmlReaderStream& in = *source_;
    for (;;) {
        if (PieceFull())
            return SplitPiece(xtCDATA, TContinuation::CDATA, 1);
        auto scan = in.ScanUntil(']', value_, PieceRoom());
        if (scan == TXmlReaderStream::TScan::Ended)
            Fail(XML_ERROR "ожидается \"]]\"");
        if (scan == TXmlReaderStream::TScan::Limited)
            continue;
        in.ReadChar();
        if (in.Eof())
            Fail(XML_ERROR "ожидается \"]]\"");
        if (in.PeekChar() == ']') {
            in.ReadChar();
            break;
        }
        value_ += ']';
    }
    in.SkipWhitespace();
    if (in.Eof() || in.ReadChar() != '>')
        FailGeneral(XML_ERROR "ожидается \"]]>\"");
    continuation_ = TContinuation::None;
    return xtCDATA;
}

TXmlTokenKind TXmlReader::ReadStartTag() {
    TXmlReaderStream& in = *source_;
    static const char* const unclosed = XML_ERROR "ожидается \">\" для открывающего тэга элемента";
    in.SkipWhitespace();
    if (in.ScanUntil(StartTagNameEnd, name_, NoLimit) == TXmlReaderStream::TScan::Ended)
        Fail(unclosed);
    if (name_.empty())
        Fail(XML_ERROR "не задано имя открывающего тэга элемента");
    char c = in.ReadChar();
    if (IsSpace(c)) {
        in.SkipWhitespace();
        if (in.Eof())
            Fail(unclosed);
        c = in.ReadChar();
    }
    if (c == '>') {
        continuation_ = TContinuation::None;
    } else {
        in.Unread(c);
        continuation_ = TContinuation::StartTag;
    }
    openElements_.push_back(name_);
    return xtStartElement;
}

TXmlTokenKind TXmlReader::ReadAttribute() {
    TXmlReaderStream& in = *source_;
    static const char* const unfinished = XML_ERROR "ожидается атрибут элемента";
    in.SkipWhitespace();
    if (!in.Eof() && in.PeekChar() == '/') {
        in.ReadChar();
        if (in.Eof() || in.ReadChar() != '>')
            Fail(XML_ERROR "ожидается \"/>\"");
        if (openElements_.empty())
            FailGeneral(XML_ERROR "несоответствие имени закрывающего тэга имени открывающему");
        name_ = std::move(openElements_.back());
        openElements_.pop_back();
        continuation_ = TContinuation::None;
        return xtEndElement;
    }

    bool ended;
    GatherName(AttributeNameEnd, name_, ended);
    if (name_.empty())
        Fail(XML_ERROR "не задано имя атрибута элемента");
    char c = in.ReadChar();
    if (IsSpace(c)) {
        in.SkipWhitespace();
        c = in.ReadChar();
    }
    if (c != '=')
        Fail(XML_ERROR "ожидается \"=\" для атрибута элемента");

    in.SkipWhitespace();
    if (in.Eof())
        Fail(XML_ERROR "не задано значение атрибута элемента");
    c = in.ReadChar();
    if (c == '"' || c == '\'') {
        if (in.ScanUntil(c, value_, NoLimit) == TXmlReaderStream::TScan::Ended)
            Fail(unfinished);
        in.ReadChar();
    } else {
        in.Unread(c);
        if (in.ScanUntil(UnquotedValueEnd, value_, NoLimit) == TXmlReaderStream::TScan::Ended)
            Fail(unfinished);
    }
    if (in.Eof())
        Fail(unfinished);
    c = in.ReadChar();
    if (IsSpace(c)) {
        in.SkipWhitespace();
        if (in.Eof())
            Fail(unfinished);
        c = in.ReadChar();
    }
    if (c == '>') {
        continuation_ = TContinuation::None;
    } else {
        in.Unread(c);
        continuation_ = TContinuation::StartTag;
    }
    return xtAttribute;
}

TXmlTokenKind TXmlReader::ReadEndTag() {
    TXmlReaderStream& in = *source_;
    static const char* const unclosed = XML_ERROR "ожидается \">\" для закрывающего тэга элемента";
    in.SkipWhitespace();
    if (in.ScanUntil(EndTagNameEnd, name_, NoLimit) == TXmlReaderStream::TScan::Ended)
        Fail(unclosed);
    char c = in.ReadChar();
    if (IsSpace(c)) {
        in.SkipWhitespace();
        if (in.Eof())
            Fail(unclosed);
        c = in.ReadChar();
    }
    if (c != '>')
        Fail(unclosed);
    if (openElements_.empty() || name_.empty() || name_ != openElements_.back())
        FailGeneral(XML_ERROR "несоответствие имени закрывающего тэга имени открывающему");
    openElements_.pop_back();
    continuation_ = TContinuation::None;
    return xtEndElement;
}

TXmlTokenKind TXmlReader::ReadText() {
    TXmlReaderStream& in = *source_;
    for (;;) {
        if (PieceFull())
            return SplitPiece(xtText, TContinuation::Text, 1);
        if (in.ScanUntil('<', value_, PieceRoom()) != TXmlReaderStream::TScan::Limited)
            break;
    }
    continuation_ = TContinuation::None;
    return xtText;
}
