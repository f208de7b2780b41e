#include "core/system/FormCoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FormCoding, EncodingKeepsOnlyLettersAndDigits) {
    EXPECT_EQ(PercentEncoded("t[0]=Sound Mixer"), "t%5B0%5D%3DSound+Mixer");
    EXPECT_EQ(PercentEncoded("upd-2.exe"), "upd%2D2%2Eexe");
    EXPECT_EQ(PercentEncoded("\xE9\x01"), "%E9%01");
}

TEST(FormCoding, DecodingUndoesEncodingForEveryByte) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    std::string back;
    ASSERT_TRUE(PercentDecode(PercentEncoded(all), back));
    EXPECT_EQ(back, all);
    // Lower-case digits and bytes sent unescaped are read too.
    ASSERT_TRUE(PercentDecode("a%2fb+c*", back));
    EXPECT_EQ(back, "a/b c*");
}

TEST(FormCoding, DecodingRefusesBrokenEscapes) {
    std::string out;
    std::size_t at = 99;
    EXPECT_FALSE(PercentDecode("ab%4", out, &at));
    EXPECT_EQ(at, 2u);
    EXPECT_FALSE(PercentDecode("%", out));
    EXPECT_FALSE(PercentDecode("%G1", out));
    EXPECT_FALSE(PercentDecode("%1G", out));
    EXPECT_FALSE(PercentDecode("x%%41", out));
    EXPECT_TRUE(PercentDecode("%41", out));
    EXPECT_EQ(out, "A");
}

TEST(FormCoding, FormBodyKeepsFieldsInOrder) {
    const TFormDecoding form = DecodeFormBody("t%5B0%5D=Sound+Mixer&&flag&e%5B0%5D=&t=2=3", 10);
    ASSERT_EQ(form.Fault, TFormDecoding::TFault::None);
    using Field = std::pair<std::string, std::string>;
    const std::vector<Field> expected = {
        {"t[0]", "Sound Mixer"}, {"flag", ""}, {"e[0]", ""}, {"t", "2=3"}};
    EXPECT_EQ(form.Fields, expected);
    EXPECT_TRUE(DecodeFormBody("", 0).Fields.empty());
}

TEST(FormCoding, FormBodyNamesItsFault) {
    TFormDecoding form = DecodeFormBody("a=1&b%4=2", 10);
    EXPECT_EQ(form.Fault, TFormDecoding::TFault::BrokenEscape);
    EXPECT_EQ(form.Broken, "%4");
    form = DecodeFormBody("a=1&b=%zz9", 10);
    EXPECT_EQ(form.Fault, TFormDecoding::TFault::BrokenEscape);
    EXPECT_EQ(form.Broken, "%zz");
    form = DecodeFormBody("a=1&b=2&c=3", 2);
    EXPECT_EQ(form.Fault, TFormDecoding::TFault::TooManyFields);
    EXPECT_EQ(DecodeFormBody("a=1&b=2&", 2).Fault, TFormDecoding::TFault::None);
}

} // namespace
