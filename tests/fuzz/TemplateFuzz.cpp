// Feeds arbitrary template text and variable names to the template engine.
// Input: the template, then NUL-separated pairs of variable name and value.
// The first byte picks how the text is cut into lines: at CR LF, LF or CR as
// a template file is read, or at LF only, which leaves CRs inside lines.
//
// Besides crashes, hangs and sanitizer reports, it checks that the marker
// matchers agree with the regular expressions they stand for (on short
// lines, where a backtracking engine is safe), and that a template without
// braces and markers comes out as it went in.

#include "template/TemplateMarkers.h"
#include "template/TemplatePower.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> CutLines(const std::string& text, bool onlyLf) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of(onlyLf ? "\n" : "\r\n", start);
        if (end == std::string::npos) {
            lines.emplace_back(text, start);
            break;
        }
        lines.emplace_back(text, start, end - start);
        start = end + 1;
        if (!onlyLf && text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CompareWithRegex(const std::string& line) {
    static const std::regex ignore("<!--[ ]?(START|END) IGNORE -->");
    static const std::regex block("<!--[ ]?(START|END|INCLUDE|REUSE) BLOCK : (.+)-->");
    static const std::regex reuse("(.+) AS (.+)");
    std::smatch m;

    const TIgnoreMarker ignoreMarker = MatchIgnoreMarker(line);
    if (std::regex_search(line, m, ignore))
        Check(ignoreMarker == (m[1] == "START" ? TIgnoreMarker::Start : TIgnoreMarker::End));
    else
        Check(ignoreMarker == TIgnoreMarker::None);

    const auto blockMarker = MatchBlockMarker(line);
    if (std::regex_search(line, m, block)) {
        static const char* const keywords[] = {"START", "END", "INCLUDE", "REUSE"};
        Check(blockMarker && m[1] == keywords[static_cast<int>(blockMarker->Keyword)] &&
              m[2].str() == blockMarker->Name);
    } else {
        Check(!blockMarker);
    }

    const auto names = MatchReuseNames(line);
    if (std::regex_search(line, m, reuse))
        Check(names && m[1].str() == names->Source && m[2].str() == names->Target);
    else
        Check(!names);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool onlyLf = (data[0] & 1) != 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = input.find('\0', start);
        fields.emplace_back(input, start,
                            end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }

    TTemplatePower engine;
    engine.TemplateLines = CutLines(fields[0], onlyLf);
    for (const std::string& line : engine.TemplateLines)
        if (line.size() <= 128)
            CompareWithRegex(line);

    try {
        engine.Prepare();
    } catch (const EHashInvalidKeyError&) {
        // A BLOCK marker with a blank name: the one exception Prepare lets through.
    }
    for (std::size_t i = 1; i < fields.size(); i += 2) {
        try {
            engine.AssignVar(fields[i], i + 1 < fields.size() ? fields[i + 1] : std::string());
        } catch (const EHashFindError&) {
            // "block.var" naming no block of the template.
        } catch (const EHashInvalidKeyError&) {
            // ".var": an empty block name.
        }
    }
    std::vector<std::string> lines;
    engine.WriteOutput(lines);

    // Text without braces or markers, and no values: the page is the template.
    if (fields.size() == 1 && !onlyLf && fields[0].find_first_of("{<") == std::string::npos)
        Check(lines == engine.TemplateLines);
    return 0;
}
