// The text and conversion commands through their value records.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "runtime/commands/commands.h"
#include "tests/commands/native_support.h"

namespace vx::commands {
namespace {

using test::Bool;
using test::Call;
using test::Int;
using test::Omitted;
using test::TakeBytes;
using test::TakeText;
using test::Text;

ValueRecord Record(uint32_t type, uint32_t low, uint32_t high = 0) { return ValueRecord{low, high, type}; }
ValueRecord OfFloat(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return Record(type::Float, bits);
}

// A one-dimensional (or d-dimensional) array block of 32-bit elements.
std::vector<int32_t> ArrayBlock(std::vector<int32_t> sizes, std::vector<int32_t> elements) {
    std::vector<int32_t> block{static_cast<int32_t>(sizes.size())};
    block.insert(block.end(), sizes.begin(), sizes.end());
    block.insert(block.end(), elements.begin(), elements.end());
    return block;
}

TEST(TextCommands, LengthLeftRight) {
    EXPECT_EQ(Call(TextLength, {Text("ab\xd6\xd0")}).Int(), 4);
    EXPECT_EQ(Call(TextLength, {Text(nullptr)}).Int(), 0);
    EXPECT_EQ(TakeText(Call(LeftText, {Text("abc"), Int(5)})), "abc");
    EXPECT_EQ(TakeText(Call(LeftText, {Text("abc"), Int(2)})), "ab");
    EXPECT_EQ(Call(LeftText, {Text("abc"), Int(-1)}).Address(), nullptr);
    EXPECT_EQ(Call(RightText, {Text("abc"), Int(0)}).Address(), nullptr);
    EXPECT_EQ(TakeText(Call(RightText, {Text("abcdef"), Int(2)})), "ef");
    EXPECT_EQ(TakeText(Call(RightText, {Text("abc"), Int(INT_MAX)})), "abc");
    EXPECT_EQ(Call(LeftText, {Text(nullptr), Int(3)}).Address(), nullptr);
    // Bytes, not characters.
    EXPECT_EQ(TakeText(Call(LeftText, {Text("\xd6\xd0\xce\xc4"), Int(3)})), "\xd6\xd0\xce");
}

TEST(TextCommands, FindTextArguments) {
    EXPECT_EQ(Call(FindText, {Text("abcabc"), Text("c")}).Int(), 3);
    EXPECT_EQ(Call(FindText, {Text("abcabc"), Text("c"), Int(4), Omitted()}).Int(), 6);
    EXPECT_EQ(Call(FindText, {Text("abcabc"), Text("c"), Int(0), Omitted()}).Int(), 3);
    EXPECT_EQ(Call(FindText, {Text("abC"), Text("c"), Omitted(), Bool(true)}).Int(), 3);
    EXPECT_EQ(Call(FindText, {Text("abC"), Text("c"), Omitted(), Bool(false)}).Int(), -1);
    // Only a logical 1 folds case.
    EXPECT_EQ(Call(FindText, {Text("abC"), Text("c"), Omitted(), Record(type::Bool, 2)}).Int(), -1);
    EXPECT_EQ(Call(FindText, {Text("abc"), Text(nullptr)}).Int(), 1);
    EXPECT_EQ(Call(FindText, {Text(nullptr), Text("a")}).Int(), -1);
    EXPECT_EQ(Call(FindText, {Text("\x81\x41"
                                   "A"),
                              Text("A")})
                  .Int(),
              3);
    // Fewer records than arguments: the rest read as omitted.
    EXPECT_EQ(Call(FindText, {Text("abc")}).Int(), 1);
}

TEST(TextCommands, ToLowerCaseCopies) {
    const char* original = "MiXeD\x81\x41";
    EXPECT_EQ(TakeText(Call(ToLowerCase, {Text(original)})), "mixed\x81\x41");
    EXPECT_STREQ(original, "MiXeD\x81\x41");
    EXPECT_EQ(Call(ToLowerCase, {Text(nullptr)}).Address(), nullptr);
}

TEST(Conversions, ToIntegerByType) {
    EXPECT_EQ(Call(ToInteger, {Bool(true)}).Int(), 1);
    EXPECT_EQ(Call(ToInteger, {Record(type::Bool, 7)}).Int(), 1);
    EXPECT_EQ(Call(ToInteger, {Record(type::Byte, 0x1FF)}).Int(), 255);
    EXPECT_EQ(Call(ToInteger, {Record(type::Short, 0xFFFF)}).Int(), -1);
    EXPECT_EQ(Call(ToInteger, {ValueRecord::OfLong(0x100000005LL)}).Int(), 5);
    EXPECT_EQ(Call(ToInteger, {OfFloat(-2.7f)}).Int(), -2);
    EXPECT_EQ(Call(ToInteger, {ValueRecord::OfDouble(2.9)}).Int(), 2);
    EXPECT_EQ(Call(ToInteger, {ValueRecord::OfDouble(1e20)}).Int(), INT_MAX);
    EXPECT_EQ(Call(ToInteger, {ValueRecord::OfDouble(-1e20)}).Int(), INT_MIN);
    EXPECT_EQ(Call(ToInteger, {ValueRecord::OfDouble(std::nan(""))}).Int(), 0);
    EXPECT_EQ(Call(ToInteger, {Text("  -12x")}).Int(), -12);
    EXPECT_EQ(Call(ToInteger, {Text("\xa3\xad\xa3\xb1\xa3\xb2")}).Int(), -12);  // "－１２"
    EXPECT_EQ(Call(ToInteger, {Text(nullptr)}).Int(), 0);
    EXPECT_EQ(Call(ToInteger, {Record(type::Window, 5, 6)}).Int(), 0);
    EXPECT_EQ(Call(ToInteger, {}).Int(), 0);
}

TEST(Conversions, ToTextByType) {
    EXPECT_EQ(TakeText(Call(ToText, {Record(type::Byte, 255)})), "255");
    EXPECT_EQ(TakeText(Call(ToText, {Record(type::Short, 0xFFFB)})), "-5");
    EXPECT_EQ(TakeText(Call(ToText, {Int(-2147483647 - 1)})), "-2147483648");
    EXPECT_EQ(TakeText(Call(ToText, {ValueRecord::OfLong(1LL << 40)})), "1099511627776");
    EXPECT_EQ(TakeText(Call(ToText, {OfFloat(1.5f)})), "1.5");
    EXPECT_EQ(TakeText(Call(ToText, {OfFloat(1.0f / 3)})), "0.333333");
    EXPECT_EQ(TakeText(Call(ToText, {ValueRecord::OfDouble(1.0 / 3)})), "0.3333333333333");
    EXPECT_EQ(TakeText(Call(ToText, {ValueRecord::OfDouble(0.1)})), "0.1");
    EXPECT_EQ(TakeText(Call(ToText, {Bool(true)})), "真");
    EXPECT_EQ(TakeText(Call(ToText, {Bool(false)})), "假");
    EXPECT_EQ(TakeText(Call(ToText, {Record(type::DateTime, 0, 0)})), "1899-12-30 00:00:00");
    ValueRecord noon = ValueRecord::OfDouble(36526.5);
    noon.type = type::DateTime;
    EXPECT_EQ(TakeText(Call(ToText, {noon})), "2000-01-01 12:00:00");
    EXPECT_EQ(Call(ToText, {Record(type::Window, 1, 2)}).Address(), nullptr);
    EXPECT_EQ(Call(ToText, {}).Address(), nullptr);
}

TEST(Conversions, ToTextCopiesTextsAndBytes) {
    char original[] = "copy me";
    ValueRecord r = Call(ToText, {Text(original)});
    EXPECT_NE(r.Text(), original);
    EXPECT_EQ(TakeText(r), "copy me");

    const char bytes[] =
        "\x01\x00\x00\x00\x05\x00\x00\x00"
        "ab\0cd";
    EXPECT_EQ(TakeText(Call(ToText, {ValueRecord::OfBytes(bytes)})), "ab");
    const char noZero[] =
        "\x01\x00\x00\x00\x02\x00\x00\x00"
        "xy";
    EXPECT_EQ(TakeText(Call(ToText, {ValueRecord::OfBytes(noZero)})), "xy");
    const int32_t empty[2] = {1, 0};
    EXPECT_EQ(Call(ToText, {ValueRecord::OfBytes(empty)}).Address(), nullptr);
    EXPECT_EQ(Call(ToText, {ValueRecord::OfBytes(nullptr)}).Address(), nullptr);
}

TEST(Conversions, ToTextOfArrays) {
    std::vector<int32_t> chars = ArrayBlock({2}, {0x64636261, 0x00006665});
    EXPECT_EQ(TakeText(Call(ToText, {ValueRecord::OfAddress(chars.data(), type::Int | type::ByAddress)})), "abcdef");
    std::vector<int32_t> square = ArrayBlock({1, 1}, {0x41});
    EXPECT_EQ(Call(ToText, {ValueRecord::OfAddress(square.data(), type::Int | type::ByAddress)}).Address(), nullptr);
    EXPECT_EQ(Call(ToText, {ValueRecord::OfAddress(nullptr, type::Int | type::ByAddress)}).Address(), nullptr);
    const char* texts[] = {"a"};
    std::vector<uint8_t> textArray(8 + sizeof texts);
    int32_t header[2] = {1, 1};
    std::memcpy(textArray.data(), header, 8);
    std::memcpy(textArray.data() + 8, texts, sizeof texts);
    EXPECT_EQ(Call(ToText, {ValueRecord::OfAddress(textArray.data(), type::Text | type::ByAddress)}).Address(),
              nullptr);
}

TEST(Conversions, ToByteSetByType) {
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {Text("abc")})), "abc");
    EXPECT_EQ(Call(ToByteSet, {Text(nullptr)}).Address(), nullptr);
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {Int(0x01020304)})), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {Record(type::Byte, 0x7F)})), "\x7f");
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {Record(type::Short, 0x1234)})), "\x34\x12");
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {Bool(true)})), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {ValueRecord::OfDouble(1.0)})), std::string("\0\0\0\0\0\0\xf0\x3f", 8));
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {ValueRecord::OfLong(-2)})), std::string(8, '\xff').replace(0, 1, "\xfe"));
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {Record(type::SubProgram, 0x11223344, 0x55)})), "\x44\x33\x22\x11");

    const char bytes[] =
        "\x01\x00\x00\x00\x03\x00\x00\x00"
        "a\0b";
    ValueRecord copy = Call(ToByteSet, {ValueRecord::OfBytes(bytes)});
    EXPECT_NE(copy.Address(), static_cast<const void*>(bytes));
    EXPECT_EQ(TakeBytes(copy), std::string("a\0b", 3));

    std::vector<int32_t> numbers = ArrayBlock({2}, {1, -1});
    EXPECT_EQ(TakeBytes(Call(ToByteSet, {ValueRecord::OfAddress(numbers.data(), type::Int | type::ByAddress)})),
              std::string("\x01\0\0\0\xff\xff\xff\xff", 8));
    EXPECT_EQ(Call(ToByteSet, {Record(type::Window, 1, 2)}).Address(), nullptr);
    EXPECT_EQ(Call(ToByteSet, {Record(type::System8, 1, 2)}).Address(), nullptr);
}

TEST(Conversions, BlankByteSet) {
    EXPECT_EQ(Call(BlankByteSet, {Int(0)}).Address(), nullptr);
    EXPECT_EQ(Call(BlankByteSet, {Int(-5)}).Address(), nullptr);
    ValueRecord r = Call(BlankByteSet, {Int(3)});
    ASSERT_NE(r.Address(), nullptr);
    EXPECT_EQ(r.Address<int32_t>()[0], 1);
    EXPECT_EQ(TakeBytes(r), std::string(3, '\0'));
}

}  // namespace
}  // namespace vx::commands
