// The pool of a workbook's texts: one index per distinct text, in order of
// first use, however many texts and however alike they are.
#include "office/model/string_pool.h"

#include <gtest/gtest.h>

#include <string>

namespace brindlemoor::office {
namespace {

TEST(StringPool, EachDistinctTextGetsOneIndexInOrderOfFirstUse) {
    StringPool pool;
    EXPECT_EQ(pool.intern("alder"), 0u);
    EXPECT_EQ(pool.intern(""), 1u);
    EXPECT_EQ(pool.intern("Alder"), 2u) << "case matters";
    EXPECT_EQ(pool.intern(std::string_view("ald\0er", 6)), 3u) << "a text may hold a null character";
    EXPECT_EQ(pool.intern("alder"), 0u);
    EXPECT_EQ(pool.intern(""), 1u);
    EXPECT_EQ(pool.intern(std::string_view("ald\0er", 6)), 3u);
    ASSERT_EQ(pool.size(), 4u);
    EXPECT_EQ(pool.at(3), std::string("ald\0er", 6));
    EXPECT_EQ(pool.texts().front(), "alder");
}

TEST(StringPool, IndicesHoldAsThePoolGrows) {
    StringPool pool;
    constexpr std::uint32_t kCount = 200000;
    for (std::uint32_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(pool.intern("text " + std::to_string(i)), i);
        if (i % 3 == 0) ASSERT_EQ(pool.intern("text " + std::to_string(i / 2)), i / 2) << "repeats find the first";
    }
    ASSERT_EQ(pool.size(), kCount);
    for (std::uint32_t i = 0; i < kCount; i += 997) {
        EXPECT_EQ(pool.intern("text " + std::to_string(i)), i);
        EXPECT_EQ(pool.at(i), "text " + std::to_string(i));
    }
    EXPECT_EQ(pool.size(), kCount) << "nothing added by looking up";
}

TEST(StringPool, ACopyKnowsTheSameTexts) {
    StringPool pool;
    for (int i = 0; i < 100; ++i) pool.intern(std::to_string(i));
    StringPool copy = pool;
    EXPECT_EQ(copy.intern("42"), 42u);
    EXPECT_EQ(copy.intern("new"), 100u);
    EXPECT_EQ(pool.size(), 100u) << "the original is untouched";
    StringPool moved = std::move(copy);
    EXPECT_EQ(moved.intern("new"), 100u);
}

TEST(StringPool, ADistinctEntryIsNeverFoundByItsText) {
    StringPool pool;
    EXPECT_EQ(pool.intern("bold word"), 0u);
    EXPECT_EQ(pool.addDistinct("bold word"), 1u);
    EXPECT_EQ(pool.addDistinct("bold word"), 2u) << "each is its own entry";
    EXPECT_EQ(pool.addDistinct("only rich"), 3u);
    EXPECT_EQ(pool.at(3), "only rich");
    // Through many growths of the table, the plain texts keep their indexes
    // and the distinct entries stay out of reach of intern().
    for (int i = 0; i < 5000; ++i) pool.intern("t" + std::to_string(i));
    EXPECT_EQ(pool.intern("bold word"), 0u);
    const std::size_t before = pool.size();
    EXPECT_EQ(pool.intern("only rich"), before) << "the plain form is added as new";
    EXPECT_EQ(pool.at(1), "bold word");
}

}  // namespace
}  // namespace brindlemoor::office
