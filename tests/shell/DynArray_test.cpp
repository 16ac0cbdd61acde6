// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <new>

#include "shell/DynArray.h"

namespace {

DynArray<int>* MakeArray(std::initializer_list<int> values)
{
    auto* array = new DynArray<int>;
    for (int v : values) array->Append(v);
    return array;
}

TEST(DynArray, AppendKeepsOrderAndGrowsByOne)
{
    DynArray<int> array;
    EXPECT_TRUE(array.IsEmpty());
    EXPECT_EQ(array.Data(), nullptr);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(array.Append(i * 10));
        EXPECT_EQ(array.Count(), i + 1);
    }
    for (int i = 0; i < 5; ++i) EXPECT_EQ(array[i], i * 10);
    EXPECT_EQ(array.IndexOf(30), 3);
    EXPECT_EQ(array.IndexOf(31), -1);

    array.Clear();
    EXPECT_EQ(array.Count(), 0);
    EXPECT_EQ(array.Data(), nullptr);
}

TEST(DynArray, AccessClampsTheIndex)
{
    DynArray<int> array;
    array.Append(10);
    array.Append(20);
    array.Append(30);
    struct Case {
        int index;
        int expected;
    };
    const Case cases[] = {{-5, 10}, {-1, 10}, {0, 10}, {1, 20}, {2, 30}, {3, 30}, {1000, 30}};
    for (const Case& c : cases) EXPECT_EQ(array[c.index], c.expected) << "index " << c.index;
}

// Reading an empty array must not touch memory outside the (absent) block; the sanitizer
// build turns any such read into a failure.
TEST(DynArray, AccessOnEmptyArrayGivesDefaultValue)
{
    DynArray<int> array;
    EXPECT_EQ(array[0], 0);
    EXPECT_EQ(array[-3], 0);
    EXPECT_EQ(array[7], 0);

    array[0] = 42;  // lands in scratch space, not in the array
    EXPECT_EQ(array.Count(), 0);
    EXPECT_EQ(array[0], 0);

    const DynArray<const char*> names;
    EXPECT_EQ(names[0], nullptr);
}

TEST(DynArray, RemoveAtKeepsTheOtherElementsInOrder)
{
    struct Case {
        int index;
        std::initializer_list<int> expected;
    };
    const Case cases[] = {
        {0, {2, 3, 4}},    {2, {1, 2, 4}},
        {3, {1, 2, 3}},    {-1, {1, 2, 3, 4}},  // out of range: nothing happens
        {4, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        DynArray<int>* array = MakeArray({1, 2, 3, 4});
        array->RemoveAt(c.index);
        ASSERT_EQ(array->Count(), static_cast<int>(c.expected.size())) << "index " << c.index;
        int i = 0;
        for (int v : c.expected) EXPECT_EQ((*array)[i++], v) << "index " << c.index;
        delete array;
    }

    DynArray<int> single;
    single.Append(5);
    EXPECT_TRUE(single.RemoveAt(0));
    EXPECT_TRUE(single.IsEmpty());
    EXPECT_EQ(single.Data(), nullptr);
    EXPECT_FALSE(single.RemoveAt(0));
}

// An element type whose array allocation can be made to fail.
struct Scarce {
    static bool failAllocations;
    int value = 0;
    bool operator==(const Scarce& o) const { return value == o.value; }
    static void* operator new[](size_t size, const std::nothrow_t& tag) noexcept
    {
        return failAllocations ? nullptr : ::operator new[](size, tag);
    }
    static void operator delete[](void* p) noexcept { ::operator delete[](p); }
};
bool Scarce::failAllocations = false;

TEST(DynArray, FailedAllocationLeavesArrayUnchanged)
{
    DynArray<Scarce> array;
    array.Append(Scarce{1});
    array.Append(Scarce{2});
    array.Append(Scarce{3});
    const Scarce* block = array.Data();

    Scarce::failAllocations = true;
    EXPECT_FALSE(array.Append(Scarce{4}));
    EXPECT_EQ(array.Count(), 3);
    EXPECT_EQ(array.Data(), block);
    EXPECT_EQ(array[2].value, 3);

    // Removal still works without memory for a new block.
    EXPECT_TRUE(array.RemoveAt(0));
    Scarce::failAllocations = false;
    ASSERT_EQ(array.Count(), 2);
    EXPECT_EQ(array[0].value, 2);
    EXPECT_EQ(array[1].value, 3);
    EXPECT_TRUE(array.Append(Scarce{9}));
    EXPECT_EQ(array[2].value, 9);
}

}  // namespace
