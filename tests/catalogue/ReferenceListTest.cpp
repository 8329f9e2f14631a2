#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/ReferenceList.h"
#include "support/TestSupport.h"

TEST(ReferenceList, MissingFileIsCreatedEmptyAndLinesAreReadAsStored) {
    TTempHome home;
    const TReferenceListInfo* composers = ReferenceListInfo('C');
    ASSERT_NE(composers, nullptr);
    EXPECT_EQ(ReferenceListPath(*composers), home.File("composer.fle"));
    EXPECT_EQ(ReferenceListInfo('T')->AddMaxLength, 30);
    EXPECT_EQ(ReferenceListInfo('T')->MaxLength, 50);
    EXPECT_EQ(ReferenceListInfo('X'), nullptr);

    const TReferenceListRead empty = ReadReferenceList(ReferenceListPath(*composers));
    EXPECT_TRUE(empty.Ok);
    EXPECT_TRUE(empty.Names.empty());
    EXPECT_TRUE(std::filesystem::exists(home.File("composer.fle")));

    WriteFileBytes(home.File("artist.fle"),
                   "Abba\r\n\r\n" + std::string(300, 'x') + "\r\nDvo\xF8\xE1k\nlast");
    const TReferenceListRead read = ReadReferenceList(home.File("artist.fle"));
    ASSERT_EQ(read.Names.size(), 5u);
    EXPECT_EQ(read.Names[1], "");
    EXPECT_EQ(read.Names[2], std::string(255, 'x'));
    EXPECT_EQ(read.Names[3], "Dvo\xC3\xB8\xC3\xA1k");
    EXPECT_EQ(read.Names[4], "last");

    ASSERT_TRUE(WriteReferenceList(home.File("artist.fle"), read.Names));
    EXPECT_EQ(ReadFileBytes(home.File("artist.fle")),
              "Abba\r\n\r\n" + std::string(255, 'x') + "\r\nDvo\xC3\xB8\xC3\xA1k\r\nlast\r\n");
    EXPECT_FALSE(WriteReferenceList(home.File("no/such/folder.fle"), read.Names));
}

TEST(ReferenceList, SortedInsertIgnoresCaseAndKeepsDuplicates) {
    std::vector<std::string> names;
    for (const char* name : {"beta", "abba", "ABBA", "Alpha", "abba"})
        InsertReferenceName(names, name);
    EXPECT_EQ(names, (std::vector<std::string>{"abba", "ABBA", "abba", "Alpha", "beta"}));
    EXPECT_TRUE(ContainsReferenceName(names, "BETA"));
    EXPECT_FALSE(ContainsReferenceName(names, "gamma"));
}
