#pragma once
// The entry list's columns, in the order the list shows them: what each
// shows, how wide it is and what a click on its header sorts by. The column
// count, the widths the list is given and the sort all come from this table.

#include "Layout.h"

#include <commctrl.h>

#include <iterator>

// The columns by index, as the list, the painter and the sort know them.
enum TListColumnId : int { lcName, lcPublisher, lcFilename, lcLocation, lcRating, lcComment };

// What a cell shows (the rating cell's text is its digits, although a
// picture is painted over them).
enum TCellText : int { ctTitle, ctPublisher, ctCommandLine, ctLocation, ctRating, ctComment };

// What a click on a column's header orders the rows by.
enum TSortKey : int {
    skTitle,     // ordinal comparison of the 8-bit texts
    skPublisher, // the publisher shown, letter case ignored
    skFilePath,  // the program file, not the command line shown
    skLocation,  // the location's code
    skRating,    // any 32-bit number
    skNone,      // the rows keep their order
};

struct TListColumn {
    const char* Caption;
    // Pixels at 96 dots per inch; for a column that shares the width the
    // fixed columns leave, the least it is given.
    int Width;
    // Fifths of the width the fixed columns leave (0: a fixed column). The
    // last sharing column takes what the others leave.
    int Share;
    int Format; // LVCFMT_*
    TCellText Text;
    TSortKey Sort;
};

inline constexpr TListColumn ListColumns[] = {
    {"Name", layout::NameColumnWidth, 0, LVCFMT_LEFT, ctTitle, skTitle},
    {"Publisher", layout::PublisherColumnWidth, 0, LVCFMT_LEFT, ctPublisher, skPublisher},
    {"Filename", layout::MinFillColumnWidth, 3, LVCFMT_LEFT, ctCommandLine, skFilePath},
    {"Startup Location", layout::LocationColumnWidth, 0, LVCFMT_LEFT, ctLocation, skLocation},
    {"Rating", layout::RatingColumnWidth, 0, LVCFMT_LEFT, ctRating, skRating},
    {"Comment", layout::MinFillColumnWidth, 2, LVCFMT_LEFT, ctComment, skNone},
};

inline constexpr int ListColumnCount = static_cast<int>(std::size(ListColumns));
static_assert(ListColumnCount == lcComment + 1, "one table row for each column id");

// The widths of the sharing columns for a list whose client area is
// clientWidth wide; fixed columns keep theirs. Widths in screen pixels.
void ShareListColumns(int clientWidth, const TDpi& dpi, int* widths);
