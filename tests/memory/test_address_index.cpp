// The site memory's address index: every address added is found under its number, through the
// table's growth and however much room was reserved, and nothing else is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory/address_index.h"

TEST(AddressIndexTest, FindsEveryAddressAddedAndNoOther) {
    EXPECT_EQ(AddressIndex().find(""), AddressIndex::kNone);

    struct Case {
        const char* name;
        std::size_t reserveBefore;
        std::size_t reserveAfter; // reserved again once half are in
    };
    const Case cases[] = {{"no room reserved", 0, 0},
                          {"room for all", 5000, 0},
                          {"too little room", 10, 0},
                          {"room made half-way", 0, 20000}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        AddressIndex index;
        index.reserve(test.reserveBefore);
        std::vector<std::string> addresses = {"", "http://www.example.jp/"};
        for (int i = 0; i < 5000; ++i)
            addresses.push_back("http://www.example.jp/folder" + std::to_string(i % 7) + "/page" +
                                std::to_string(i) + ".html");
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            if (i == addresses.size() / 2)
                index.reserve(test.reserveAfter);
            ASSERT_EQ(index.add(addresses[i]), i);
        }
        ASSERT_EQ(index.size(), addresses.size());
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            ASSERT_EQ(index.find(addresses[i]), i) << addresses[i];
            ASSERT_EQ(index.address(std::uint32_t(i)), addresses[i]);
        }
        for (const char* absent : {"http://www.example.jp", "http://www.example.jp/page1.html",
                                   "http://www.example.jp/folder1/page1.htm"})
            EXPECT_EQ(index.find(absent), AddressIndex::kNone) << absent;
    }
}
