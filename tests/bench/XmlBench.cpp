// Loads a large rating answer through the document model and reads every
// item the way the consultation does, and (when built with expat) reads the
// same bytes with expat for comparison. Prints the best of several runs.

#include "online/xml/XXmlDom.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

#ifdef MORVANE_HAVE_EXPAT
#include <expat.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Reads a buffer in place, as the consultation reads the answer it holds.
class MemoryBuffer : public std::streambuf {
public:
    MemoryBuffer(const char* data, std::size_t size) {
        char* p = const_cast<char*>(data);
        setg(p, p, p + size);
    }
};

std::string MakeAnswer(int items) {
    std::string xml = "<?xml version=\"1.0\"?>\r\n<result>\r\n";
    const std::string words[] = {
        "Starts ", "the ",     "tray ",    "icon ",   "of ",  "the ",
        "sound ",  "mixer ",   "&amp; ",   "checks ", "for ", "&lt;updates&gt; ",
        "when ",   "Windows ", "starts; ", "safe ",   "to ",  "disable. "};
    for (int i = 0; i < items; ++i) {
        xml +=
            "  <item idx=\"" + std::to_string(i) + "\" rating=\"" + std::to_string(i % 5) + "\">";
        std::size_t start = xml.size();
        for (int w = i % 7; xml.size() - start < 150; ++w)
            xml += words[w % std::size(words)];
        xml += "</item>\r\n";
    }
    xml += "</result>\r\n";
    return xml;
}

struct Item {
    long idx;
    long rating;
    std::string comment;
};

// A checksum over everything read, so that both readers can be compared.
unsigned long Checksum(const std::vector<Item>& items) {
    unsigned long sum = items.size();
    for (const Item& item : items) {
        sum = sum * 31 + static_cast<unsigned long>(item.idx * 7 + item.rating);
        for (char c : item.comment)
            sum = sum * 131 + static_cast<unsigned char>(c);
    }
    return sum;
}

struct Timing {
    double load = 0, read = 0, release = 0;
    double Total() const { return load + read + release; }
};

std::vector<Item> ReadWithDom(const std::string& xml, Timing& timing) {
    std::vector<Item> items;
    auto t0 = Clock::now();
    MemoryBuffer buffer(xml.data(), xml.size());
    std::istream in(&buffer);
    auto doc = MakeRef<TXmlDDocument>();
    doc->LoadFromStream(in);
    auto t1 = Clock::now();
    TXmlDNodeList* children = doc->DocumentElement()->ChildNodes();
    items.reserve(static_cast<std::size_t>(children->Length()));
    for (int k = 0; k < children->Length(); ++k) {
        TXmlDNode* node = children->Item(k);
        std::string rating = node->GetAttribute("rating", "");
        std::string text = node->Text();
        std::string idx = node->GetAttribute("idx", "");
        items.push_back({std::stol(idx), std::stol(rating), std::move(text)});
    }
    auto t2 = Clock::now();
    doc = nullptr;
    auto t3 = Clock::now();
    timing = {Seconds(t0, t1), Seconds(t1, t2), Seconds(t2, t3)};
    return items;
}

#ifdef MORVANE_HAVE_EXPAT
struct ExpatState {
    std::vector<Item> items;
    int depth = 0;
    Item current;
};

void XMLCALL OnStart(void* data, const XML_Char*, const XML_Char** attributes) {
    auto* s = static_cast<ExpatState*>(data);
    if (++s->depth != 2)
        return;
    s->current = Item{};
    std::string idx, rating;
    for (const XML_Char** a = attributes; *a; a += 2) {
        if (std::string(a[0]) == "idx")
            idx = a[1];
        else if (std::string(a[0]) == "rating")
            rating = a[1];
    }
    s->current.idx = std::stol(idx);
    s->current.rating = std::stol(rating);
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
    auto* s = static_cast<ExpatState*>(data);
    if (s->depth-- == 2)
        s->items.push_back(std::move(s->current));
}

void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    auto* s = static_cast<ExpatState*>(data);
    if (s->depth >= 2)
        s->current.comment.append(text, static_cast<std::size_t>(length));
}

std::vector<Item> ReadWithExpat(const std::string& xml, double& seconds) {
    auto t0 = Clock::now();
    ExpatState state;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnText);
    if (XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_OK) {
        std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(parser)));
        std::exit(1);
    }
    XML_ParserFree(parser);
    seconds = Seconds(t0, Clock::now());
    return std::move(state.items);
}
#endif

} // namespace

int main(int argc, char** argv) {
    int items = argc > 1 ? std::atoi(argv[1]) : 100000;
    int runs = argc > 2 ? std::atoi(argv[2]) : 5;
#ifdef __GLIBC__
    // The C library gives the memory of a freed tree back to the system and
    // faults it in again for the next run; which reader pays for that depends
    // on the order of the runs, not on the reader. Keeping it measures the
    // readers alone.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
    std::string xml = MakeAnswer(items);
    std::printf("answer: %d items, %.1f MB\n", items, xml.size() / 1e6);

    // The two readers take turns, so that neither meets only the heap the
    // other left behind.
    Timing best;
    best.load = 1e9;
    unsigned long domSum = 0;
#ifdef MORVANE_HAVE_EXPAT
    double expatBest = 1e9;
    unsigned long expatSum = 0;
#endif
    for (int r = 0; r < runs; ++r) {
#ifdef MORVANE_HAVE_EXPAT
        double s;
        expatSum = Checksum(ReadWithExpat(xml, s));
        expatBest = std::min(expatBest, s);
#endif
        Timing t;
        auto read = ReadWithDom(xml, t);
        domSum = Checksum(read);
        if (static_cast<int>(read.size()) != items) {
            std::fprintf(stderr, "document model read %zu items\n", read.size());
            return 1;
        }
        if (t.Total() < best.Total())
            best = t;
    }
    std::printf("document model: %.1f ms (load %.1f, read %.1f, release %.1f), %.0f MB/s\n",
                best.Total() * 1e3, best.load * 1e3, best.read * 1e3, best.release * 1e3,
                xml.size() / 1e6 / best.Total());

#ifdef MORVANE_HAVE_EXPAT
    std::printf("expat:          %.1f ms, %.0f MB/s\n", expatBest * 1e3,
                xml.size() / 1e6 / expatBest);
    std::printf("ratio document model / expat: %.2f\n", best.Total() / expatBest);
    if (domSum != expatSum) {
        std::fprintf(stderr, "the two readers disagree\n");
        return 1;
    }
    std::printf("both read the same items\n");
#else
    std::printf("expat: not available in this build (checksum %lu)\n", domSum);
#endif
    return 0;
}
