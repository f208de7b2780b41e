#include "template/TemplateMarkers.h"

#include <array>
#include <cstddef>

namespace {

constexpr std::string_view CommentOpen = "<!--";
constexpr std::string_view LineBreaks = "\r\n";

// After "<!--" the patterns allow one space or none. The keyword that must
// follow never starts with a space, so the choice is never revisited.
std::size_t KeywordStart(std::string_view line, std::size_t commentPos) {
    std::size_t q = commentPos + CommentOpen.size();
    if (q < line.size() && line[q] == ' ')
        ++q;
    return q;
}

bool HasAt(std::string_view text, std::size_t pos, std::string_view part) {
    return pos <= text.size() && text.substr(pos).starts_with(part);
}

} // namespace

TIgnoreMarker MatchIgnoreMarker(std::string_view line) {
    for (std::size_t p = line.find(CommentOpen); p != std::string_view::npos;
         p = line.find(CommentOpen, p + 1)) {
        const std::size_t q = KeywordStart(line, p);
        if (HasAt(line, q, "START IGNORE -->"))
            return TIgnoreMarker::Start;
        if (HasAt(line, q, "END IGNORE -->"))
            return TIgnoreMarker::End;
    }
    return TIgnoreMarker::None;
}

std::optional<TBlockMarker> MatchBlockMarker(std::string_view line) {
    struct TKeyword {
        std::string_view Text;
        TBlockKeyword Keyword;
    };
    static constexpr std::array<TKeyword, 4> Keywords{{
        {"START BLOCK : ", TBlockKeyword::Start},
        {"END BLOCK : ", TBlockKeyword::End},
        {"INCLUDE BLOCK : ", TBlockKeyword::Include},
        {"REUSE BLOCK : ", TBlockKeyword::Reuse},
    }};
    constexpr std::string_view Close = "-->";

    // The name runs from its start over anything but a line break, to the
    // last "-->" that the run of non-breaks allows. Candidates come left to
    // right, so the run (and its last "-->") is looked up again only once a
    // candidate's name starts beyond it: the search stays linear.
    std::size_t runEnd = 0;
    std::size_t lastClose = std::string_view::npos;
    bool runKnown = false;

    for (std::size_t p = line.find(CommentOpen); p != std::string_view::npos;
         p = line.find(CommentOpen, p + 1)) {
        const std::size_t q = KeywordStart(line, p);
        for (const TKeyword& keyword : Keywords) {
            if (!HasAt(line, q, keyword.Text))
                continue;
            const std::size_t nameStart = q + keyword.Text.size();
            if (!runKnown || nameStart > runEnd) {
                runEnd = line.find_first_of(LineBreaks, nameStart);
                if (runEnd == std::string_view::npos)
                    runEnd = line.size();
                lastClose = runEnd >= Close.size() ? line.rfind(Close, runEnd - Close.size())
                                                   : std::string_view::npos;
                runKnown = true;
            }
            if (lastClose != std::string_view::npos && lastClose > nameStart)
                return TBlockMarker{keyword.Keyword, line.substr(nameStart, lastClose - nameStart)};
            break; // the keywords start with different letters: no other can match here
        }
    }
    return std::nullopt;
}

std::optional<TReuseNames> MatchReuseNames(std::string_view name) {
    constexpr std::string_view As = " AS ";
    // A match lies within one run of non-breaks and starts at the run's
    // start; the greedy first group ends at the run's last " AS " that still
    // leaves a character for the second group, which takes the rest of the run.
    std::size_t runStart = 0;
    while (runStart <= name.size()) {
        std::size_t runEnd = name.find_first_of(LineBreaks, runStart);
        if (runEnd == std::string_view::npos)
            runEnd = name.size();
        const std::string_view run = name.substr(runStart, runEnd - runStart);
        if (run.size() > As.size() + 1) {
            const std::size_t a = run.rfind(As, run.size() - As.size() - 1);
            if (a != std::string_view::npos && a >= 1)
                return TReuseNames{run.substr(0, a), run.substr(a + As.size())};
        }
        runStart = runEnd + 1;
    }
    return std::nullopt;
}
