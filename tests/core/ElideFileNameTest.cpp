#include <gtest/gtest.h>

#include "audio/ElideFileName.h"

using tressel::ElideFileName;

TEST(ElideFileName, ShortNamesStayWhole) {
    EXPECT_EQ(ElideFileName(""), "");
    const std::string sixty(60, 'a');
    EXPECT_EQ(ElideFileName(sixty), sixty);
}

TEST(ElideFileName, CutsAtTheFirstSeparatorOfTheLastSixtyCharacters) {
    // A drive letter, a colon, a backslash and 58 more characters: cut at the backslash at position 2.
    const std::string path = "C:\\" + std::string(58, 'x');
    ASSERT_EQ(path.size(), 61u);
    EXPECT_EQ(ElideFileName(path), "..." + path.substr(2));
    EXPECT_EQ(ElideFileName(path).size(), 62u);

    const std::string unix = "/home/" + std::string(50, 'd') + "/music/" + std::string(30, 'f') + ".wav";
    EXPECT_EQ(ElideFileName(unix), "..." + unix.substr(unix.find("/music")));
}

TEST(ElideFileName, KeepsSixtyCharactersWhenTheCutWouldLeaveTooFew) {
    // The only separator within the last 60 characters is followed by a 15-character file name.
    const std::string path = std::string(84, 'p') + "\\" + std::string(15, 'n');
    ASSERT_EQ(path.size(), 100u);
    EXPECT_EQ(ElideFileName(path), "..." + path.substr(40));
    // No separator at all: the last 60 characters.
    const std::string flat(75, 'z');
    EXPECT_EQ(ElideFileName(flat), "..." + std::string(60, 'z'));
}
