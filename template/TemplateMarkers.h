#pragma once
// Recognition of the marker lines of a template. Each function gives the
// result of one regular-expression search, exactly as an ECMAScript engine
// with greedy, backtracking repetition would (first match from the left,
// case-sensitive, "." matching anything but CR and LF):
//
//   MatchIgnoreMarker  "<!--[ ]?(START|END) IGNORE -->"
//   MatchBlockMarker   "<!--[ ]?(START|END|INCLUDE|REUSE) BLOCK : (.+)-->"
//   MatchReuseNames    "(.+) AS (.+)"
//
// They are written out by hand because a backtracking engine recurses once
// per character of ".+": a long template line would exhaust the stack, and
// the search would be quadratic in the line's length. These run in time
// linear in the line and use no recursion.

#include <optional>
#include <string_view>

enum class TIgnoreMarker { None, Start, End };

enum class TBlockKeyword { Start, End, Include, Reuse };

struct TBlockMarker {
    TBlockKeyword Keyword;
    std::string_view Name; // group 2, untrimmed: it runs to the last "-->" of the line
};

struct TReuseNames {
    std::string_view Source; // untrimmed
    std::string_view Target; // untrimmed
};

TIgnoreMarker MatchIgnoreMarker(std::string_view line);
std::optional<TBlockMarker> MatchBlockMarker(std::string_view line);
std::optional<TReuseNames> MatchReuseNames(std::string_view name);

