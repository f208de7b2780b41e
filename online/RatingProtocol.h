#pragma once
// The rating scale and the consultation's wire protocol: one description for
// the client (Consult.cpp), the window, the command-line tool and the rating
// server. Header only, so that the server takes it without the program's
// libraries.

#include <string>

// --- The scale ---------------------------------------------------------------
// Ratings are kept as the server sends them, any 32-bit number; 0 to 4 are
// the values in use, each with a picture in the list.
inline constexpr int RatingCount = 5;

// The detail page, the tool and the server's pages say Name; the legend
// under the location tree has captions of its own, in other letter case and
// with another last name.
struct TRatingWords {
    const char* Name;
    const char* LegendCaption;
};
inline constexpr TRatingWords RatingNames[RatingCount] = {
    {"Unknown", "Unknown"},
    {"Not recommended", "Not Recommended"},
    {"Not required", "Not Required"},
    {"User's choice", "User's Choice"},
    {"Required", "System Required"},
};

constexpr bool RatingInScale(int rating) {
    return rating >= 0 && rating < RatingCount;
}

// The name of a rating of the scale; "Unrated (n)" for any other number.
inline std::string RatingName(int rating) {
    if (RatingInScale(rating))
        return RatingNames[rating].Name;
    return "Unrated (" + std::to_string(rating) + ")";
}

// --- The exchange ------------------------------------------------------------
// The client posts a form to this path: for each row i of its list the
// fields t[i] (the entry's title) and e[i] (its program file's name).
inline constexpr const char* ConsultPath = "/startexe3.php";
inline constexpr char TitleField = 't';
inline constexpr char FileField = 'e';

inline std::string RowFieldName(char field, int row) {
    return std::string(1, field) + "[" + std::to_string(row) + "]";
}

// The answer is XML: a root element whose every child is one item, with the
// row in one attribute, the rating in another and the comment as its text.
// The client checks neither element name; the server writes these.
inline constexpr const char* AnswerRootElement = "programs";
inline constexpr const char* AnswerItemElement = "program";
inline constexpr const char* AnswerRowAttribute = "idx";
inline constexpr const char* AnswerRatingAttribute = "rating";
