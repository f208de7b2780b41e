#include "online/formencoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(UrlEncode, EscapesEverythingButAsciiLettersAndDigits) {
    struct {
        std::string in, out;
    } cases[] = {
        {"abc", "abc"},
        {"Sound Mixer", "Sound+Mixer"},
        {"mixer.exe", "mixer%2Eexe"},
        {"t[0]", "t%5B0%5D"},
        {"a+b=c&d", "a%2Bb%3Dc%26d"},
        {"100%", "100%25"},
        {"\xE9", "%E9"},
        {"", ""},
        {"   ", "+++"},
        {"-._*~", "%2D%2E%5F%2A%7E"},
        {"AZaz09", "AZaz09"},
        {std::string("\0\x7F\x80\xFF", 4), "%00%7F%80%FF"},
        {"\r\n\t", "%0D%0A%09"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UrlEncode(c.in), c.out) << c.in;
}

TEST(UrlEncode, EveryByteGivesLetterDigitPlusOrThreeCharacterEscape) {
    for (int b = 0; b < 256; ++b) {
        std::string out = UrlEncode(std::string(1, static_cast<char>(b)));
        bool alnum = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        if (alnum || b == ' ') {
            EXPECT_EQ(out.size(), 1u) << b;
        } else {
            ASSERT_EQ(out.size(), 3u) << b;
            EXPECT_EQ(out[0], '%');
            EXPECT_EQ(std::stoi(out.substr(1), nullptr, 16), b);
            EXPECT_EQ(out.find_first_of("abcdef"), std::string::npos) << out;
        }
    }
}

TEST(EncodeFormFields, JoinsEscapedPairsWithAmpersand) {
    std::vector<std::string> lines = {"t[0]=Sound Mixer", "e[0]=mixer.exe"};
    EXPECT_EQ(EncodeFormFields(lines), "t%5B0%5D=Sound+Mixer&e%5B0%5D=mixer%2Eexe");
}

TEST(EncodeFormFields, ConsultationRequestOfTwoRows) {
    std::vector<std::string> lines = {"t[0]=Sound Mixer", "e[0]=mixer.exe", "t[1]=Updater",
                                      "e[1]=upd-2.exe"};
    EXPECT_EQ(EncodeFormFields(lines),
              "t%5B0%5D=Sound+Mixer&e%5B0%5D=mixer%2Eexe&t%5B1%5D=Updater&e%5B1%5D=upd%2D2%2Eexe");
}

TEST(EncodeFormFields, EmptyListAndSingleLine) {
    EXPECT_EQ(EncodeFormFields(std::vector<std::string>{}), "");
    EXPECT_EQ(EncodeFormFields(std::vector<std::string>{"a=b"}), "a=b");
}

TEST(EncodeFormFields, OnlyTheFirstEqualsSignSeparates) {
    EXPECT_EQ(EncodeFormFields(std::vector<std::string>{"x=a=b", "y="}), "x=a%3Db&y=");
    EXPECT_EQ(EncodeFormFields(std::vector<std::string>{"=v"}), "=v");
}

TEST(EncodeFormFields, ValueComesFromFirstLineOfSameNameIgnoringCase) {
    std::vector<std::string> lines = {"Name=first", "other=x", "NAME=second"};
    EXPECT_EQ(EncodeFormFields(lines), "Name=first&other=x&NAME=first");
}

TEST(EncodeFormFields, LineWithoutEqualsSignIsNameWithEmptyValue) {
    EXPECT_EQ(EncodeFormFields(std::vector<std::string>{"plain text", "a=1"}), "plain+text=&a=1");
}
