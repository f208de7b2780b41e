#include "online/RatingProtocol.h"
#include "online/formencoder.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

TEST(RatingScale, EveryPlaceNamesARatingTheSameWay) {
    const std::vector<std::string> names = {"Unknown", "Not recommended", "Not required",
                                            "User's choice", "Required"};
    for (int r = 0; r < RatingCount; ++r)
        EXPECT_EQ(RatingName(r), names[static_cast<size_t>(r)]);
    // A server may send any number; it is shown, never looked up.
    EXPECT_EQ(RatingName(RatingCount), "Unrated (5)");
    EXPECT_EQ(RatingName(-1), "Unrated (-1)");
    EXPECT_EQ(RatingName(INT_MIN), "Unrated (-2147483648)");
    EXPECT_FALSE(RatingInScale(RatingCount));
    EXPECT_FALSE(RatingInScale(-1));
}

TEST(RatingScale, TheLegendKeepsItsOwnCaptions) {
    const std::vector<std::string> captions = {"Unknown", "Not Recommended", "Not Required",
                                               "User's Choice", "System Required"};
    for (int r = 0; r < RatingCount; ++r)
        EXPECT_EQ(RatingNames[r].LegendCaption, captions[static_cast<size_t>(r)]);
}

TEST(RatingProtocol, TheRequestFieldsAreTheOnesTheServerReads) {
    EXPECT_EQ(RowFieldName(TitleField, 12), "t[12]");
    EXPECT_EQ(RowFieldName(FileField, 0), "e[0]");
    const std::vector<std::string> lines = {RowFieldName(TitleField, 0) + "=Sound Mixer",
                                            RowFieldName(FileField, 0) + "=mixer.exe"};
    EXPECT_EQ(EncodeFormFields(lines), "t%5B0%5D=Sound+Mixer&e%5B0%5D=mixer%2Eexe");
    EXPECT_STREQ(ConsultPath, "/startexe3.php");
}

} // namespace
