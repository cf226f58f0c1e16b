// Value records, layouts, allocator rules and error texts (portable core).
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "runtime/base/array.h"
#include "runtime/base/errors.h"
#include "runtime/base/memory.h"
#include "runtime/base/text.h"
#include "runtime/base/value.h"

namespace vx {
namespace {

TEST(TypeCodes, CategoriesAndNumericRule) {
    for (uint32_t code : {type::Byte, type::Short, type::Int, type::Long, type::Float, type::Double}) {
        EXPECT_TRUE(type::IsSystem(code)) << std::hex << code;
        EXPECT_TRUE(type::IsNumeric(code)) << std::hex << code;
    }
    for (uint32_t code : {type::Bool, type::DateTime, type::Text, type::Bytes, type::SubProgram}) {
        EXPECT_TRUE(type::IsSystem(code));
        EXPECT_FALSE(type::IsNumeric(code)) << std::hex << code;
    }
    EXPECT_FALSE(type::IsSystem(type::Omitted));
    EXPECT_FALSE(type::IsLibraryType(type::Omitted));
    EXPECT_TRUE(type::IsLibraryType(type::Window));
    EXPECT_EQ(type::LibraryOf(0x0001000B), 1);
    EXPECT_EQ(type::TypeInLibrary(0x0001000B), 11);
    EXPECT_EQ(type::Make(5, 1), 0x00050001u);
    // By-address bit: the value's type is the code without it.
    uint32_t byRef = type::Int | type::ByAddress;
    EXPECT_TRUE(type::IsByAddress(byRef));
    EXPECT_TRUE(type::IsNumeric(byRef));
    EXPECT_EQ(type::Base(byRef), type::Int);
}

TEST(TypeCodes, StorageSizes) {
    EXPECT_EQ(type::StorageSize(type::Byte), 1u);
    EXPECT_EQ(type::StorageSize(type::Short), 2u);
    EXPECT_EQ(type::StorageSize(type::Int), 4u);
    EXPECT_EQ(type::StorageSize(type::Bool), 4u);
    EXPECT_EQ(type::StorageSize(type::Long), 8u);
    EXPECT_EQ(type::StorageSize(type::Double), 8u);
    EXPECT_EQ(type::StorageSize(type::Text), sizeof(void*));
}

TEST(ValueRecord, AddressSpansBothWords) {
    static_assert(sizeof(ValueRecord) == 12);
    static const char text[] = "abc";
    ValueRecord v = ValueRecord::OfText(text);
    EXPECT_EQ(v.type, type::Text);
    EXPECT_EQ(v.Text(), text);
    uint64_t address = reinterpret_cast<uintptr_t>(text);
    EXPECT_EQ(v.low, static_cast<uint32_t>(address));
    EXPECT_EQ(v.high, static_cast<uint32_t>(address >> 32));

    ValueRecord l = ValueRecord::OfLong(-2);
    EXPECT_EQ(l.low, 0xFFFFFFFEu);
    EXPECT_EQ(l.high, 0xFFFFFFFFu);
    EXPECT_EQ(l.Long(), -2);
    EXPECT_DOUBLE_EQ(ValueRecord::OfDouble(2.5).Double(), 2.5);
    EXPECT_FALSE(ValueRecord{}.Given());
}

TEST(Layouts, ByteSetAndArrayHeaders) {
    void* set = NewByteSet("\x01\x02\x03", 3);
    ASSERT_NE(set, nullptr);
    int32_t header[2];
    std::memcpy(header, set, 8);
    EXPECT_EQ(header[0], 1);
    EXPECT_EQ(header[1], 3);
    EXPECT_EQ(ByteSetSize(set), 3u);
    EXPECT_EQ(ByteSetData(set)[2], 3);
    Free(set);
    // A byte set of 0 bytes is the value 0; both empty forms read as empty.
    EXPECT_EQ(NewByteSet("", 0), nullptr);
    static const int32_t emptyBlock[2] = {1, 0};
    EXPECT_EQ(ByteSetSize(emptyBlock), 0u);
    EXPECT_EQ(ByteSetSize(nullptr), 0u);

    // 2 x 3 integer array: count is the product of the sizes.
    std::vector<int32_t> array = {2, 2, 3, 10, 11, 12, 13, 14, 15};
    ArrayView view{reinterpret_cast<const uint8_t*>(array.data())};
    EXPECT_EQ(view.Dimensions(), 2);
    EXPECT_EQ(view.Count(), 6);
    EXPECT_EQ(ArrayView{}.Count(), 0);
}

TEST(Arrays, IndexErrorsFourAndOne) {
    std::vector<int32_t> array = {1, 3, 7, 8, 9};
    int32_t v;
    std::memcpy(&v, ArrayElement(array.data(), 3, 4), 4);
    EXPECT_EQ(v, 9);
    auto codeOf = [&](const void* block, int32_t index) {
        try {
            ArrayElement(block, index, 4);
        } catch (const RuntimeError& e) {
            return e.code();
        }
        return 0;
    };
    EXPECT_EQ(codeOf(array.data(), 0), kIndexBelowOne);  // 0 is code 4, not 1
    EXPECT_EQ(codeOf(array.data(), -5), kIndexBelowOne);
    EXPECT_EQ(codeOf(array.data(), 4), kIndexOutOfRange);  // one past the count
    EXPECT_EQ(codeOf(nullptr, 1), kIndexOutOfRange);       // the empty array
}

TEST(Allocator, LiteralsAreNeverFreedAndCopiedOnResize) {
    static const char area[] = "literal text\0tail";
    constants::AddRange(area, sizeof area);
    const char* literal = area;
    Free(literal);  // must be ignored (freeing it would corrupt the heap)
    Free(nullptr);
    EXPECT_TRUE(constants::IsLiteral(literal + 3));
    EXPECT_FALSE(constants::IsLiteral(area + sizeof area));

    auto* bigger = static_cast<char*>(Reallocate(const_cast<char*>(literal), 64));
    ASSERT_NE(bigger, literal);
    EXPECT_EQ(std::memcmp(bigger, area, sizeof area), 0);
    Free(bigger);
    // Resizing near the end copies only up to the end of the range.
    const char* nearEnd = area + sizeof area - 3;
    auto* copy = static_cast<char*>(Reallocate(const_cast<char*>(nearEnd), 100));
    EXPECT_EQ(std::memcmp(copy, nearEnd, 3), 0);
    Free(copy);
    constants::Clear();

    char* heap = NewText("abc");
    heap = static_cast<char*>(Reallocate(heap, 1000));
    EXPECT_STREQ(heap, "abc");
    Free(heap);
    EXPECT_EQ(NewText(""), nullptr);  // the empty text is 0
}

TEST(Allocator, FailureIsTheRuntimeError) {
    try {
        Allocate(static_cast<size_t>(1) << 60);
        FAIL() << "allocation of 2^60 bytes succeeded";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.code(), 0);
        EXPECT_NE(std::string(e.what()).find("分配 1152921504606846976 字节内存失败!"), std::string::npos);
    }
}

TEST(Allocator, ByteSetBeyondItsCountIsRefused) {
    // The count is a signed 32-bit header word: 2^31 bytes cannot be counted.
    const uint8_t few[4] = {1, 2, 3, 4};
    try {
        NewByteSet(few, size_t(INT32_MAX) + 1);
        FAIL() << "a byte set of 2^31 bytes was made";
    } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("分配 2147483656 字节内存失败!"), std::string::npos);
    }
    void* set = NewByteSet(few, 4);
    EXPECT_EQ(ByteSetSize(set), 4u);
    Free(set);
}

TEST(Conversion, FloatsTruncateAndClampToInt32) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncateToInt32(inf), INT32_MAX);
    EXPECT_EQ(TruncateToInt32(-inf), INT32_MIN);
    EXPECT_EQ(TruncateToInt32(3e9), INT32_MAX);
    EXPECT_EQ(TruncateToInt32(-3e9), INT32_MIN);
    EXPECT_EQ(TruncateToInt32(2147483646.9), 2147483646);
    EXPECT_EQ(TruncateToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(TruncateToInt32(-1.9), -1);
    EXPECT_EQ(TruncateToInt32(1.9), 1);
}

TEST(Boundary, CppFailuresBecomeRuntimeErrors) {
    try {
        Contained([] { throw std::bad_alloc(); });
        FAIL() << "the exception went through";
    } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("分配 0 字节内存失败!"), std::string::npos);
    }
    try {
        Contained([]() -> int { throw std::out_of_range("index"); });
        FAIL() << "the exception went through";
    } catch (const RuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("index"), std::string::npos);
    }
    EXPECT_EQ(Contained([] { return 5; }), 5);
    EXPECT_EQ(ContainedOr([]() -> int { throw std::bad_alloc(); }, [] { return -1; }), -1);
}

TEST(ErrorText, Layout) {
    EXPECT_EQ(FormatErrorText("", 0), "运行时出错!\r\n\r\n");
    EXPECT_EQ(FormatErrorText(ErrorTableText(1), 1),
              "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n");
    EXPECT_EQ(FormatErrorText("x", 0), "运行时出错!\r\n\r\n错误信息：x\r\n");
    EXPECT_STREQ(ErrorTableText(11), "所提供参数的数据类型不符合要求");
    EXPECT_STREQ(ErrorTableText(12), "");
    EXPECT_STREQ(ErrorTableText(0), "");
}

TEST(Text, DoubleByteAwareSearch) {
    // 0x5C ('\') as a trail byte of a GBK character must not split a path.
    const std::string path = "Key\\\xD7\x5C";
    EXPECT_EQ(text::FindLastChar(path, '\\'), 3u);
    EXPECT_EQ(text::FindChar("\x81\x5C\\", '\\'), 2u);
    // A lone lead byte at the end is one character.
    EXPECT_EQ(text::FindLastChar("a\\\x81", '\\'), 1u);
}

}  // namespace
}  // namespace vx
