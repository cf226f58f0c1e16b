// ToInteger, ToText, ToByteSet, BlankByteSet.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/commands/conversions.h"
#include "runtime/commands/text_ops.h"
#include "runtime/base/memory.h"

namespace vx::commands {
namespace {

template <class... T>
std::string Format(const char* format, T... values) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, format, values...);
    return std::string(buffer, n > 0 ? std::min<size_t>(size_t(n), sizeof buffer - 1) : 0);
}

// Bytes up to (not including) the first zero byte.
std::string_view UpToZero(const uint8_t* data, size_t size) {
    auto* p = reinterpret_cast<const char*>(data);
    const void* zero = data ? std::memchr(p, 0, size) : nullptr;
    return std::string_view(p, zero ? size_t(static_cast<const char*>(zero) - p) : size);
}

// The element bytes of a one-dimensional array of a numeric type, or an
// empty span for any other array.
ByteSpan NumericArrayBytes(const ValueRecord& v) {
    uint32_t element = type::Base(v.type);
    if (!type::IsNumeric(element)) return {};
    ArrayView array{v.Address<const uint8_t>()};
    if (array.Dimensions() != 1) return {};
    uint64_t bytes = uint64_t(array.Count()) * type::StorageSize(element);
    if (bytes > uint64_t(std::numeric_limits<int32_t>::max())) return {};
    return {array.Elements(), static_cast<size_t>(bytes)};
}

void ReturnText(ValueRecord* result, std::string_view text) { result->SetAddress(NewText(text)); }

}  // namespace

int32_t ToInt32(const ValueRecord& v) {
    switch (v.type) {
    case type::Bool: return v.low != 0 ? 1 : 0;
    case type::Text: return ParseDecimal(NarrowFullWidth(text::SystemLeadBytes(), text::View(v.Text())));
    case type::Byte: return static_cast<int32_t>(v.low & 0xFF);
    case type::Short: return static_cast<int16_t>(v.low & 0xFFFF);
    case type::Int:
    case type::SubProgram:
    case type::Long: return static_cast<int32_t>(v.low);
    case type::Float: return TruncateToInt32(v.Float());
    case type::Double: return TruncateToInt32(v.Double());
    default: return 0;
    }
}

std::string DateText(double date) {
    if (!(date > -657435.0 && date < 2958466.0)) return std::string();
    double whole = std::trunc(date);
    auto seconds = static_cast<int64_t>(std::llround(std::fabs(date - whole) * 86400.0));
    auto days = static_cast<int64_t>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += date < 0 ? -1 : 1;
    }
    // Civil date from days since 1970-01-01 (1899-12-30 is day -25569).
    int64_t z = days - 25569 + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t day = doy - (153 * mp + 2) / 5 + 1;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return Format("%04d-%02d-%02d %02d:%02d:%02d", int(year), int(month), int(day), int(seconds / 3600),
                  int(seconds / 60 % 60), int(seconds % 60));
}

std::string ScalarText(const ValueRecord& v) {
    switch (v.type) {
    case type::Byte: return Format("%u", unsigned(v.low & 0xFF));
    case type::Short: return Format("%d", int(static_cast<int16_t>(v.low & 0xFFFF)));
    case type::Int: return Format("%d", int(v.Int()));
    case type::Long: return Format("%lld", static_cast<long long>(v.Long()));
    case type::Float: return Format("%.6g", double(v.Float()));
    case type::Double: return Format("%.13g", v.Double());
    case type::Bool: return v.low != 0 ? kTrueText : kFalseText;
    case type::DateTime: return DateText(v.Double());
    default: return std::string();
    }
}

void ToInteger(ValueRecord* result, int32_t argc, ValueRecord* args) {
    const ValueRecord& v = Arg(argc, args, 0);
    result->SetInt(type::IsByAddress(v.type) ? 0 : ToInt32(v));
}

void ToText(ValueRecord* result, int32_t argc, ValueRecord* args) {
    const ValueRecord& v = Arg(argc, args, 0);
    if (type::IsByAddress(v.type)) {
        ByteSpan bytes = NumericArrayBytes(v);
        return ReturnText(result, UpToZero(bytes.data, bytes.size));
    }
    switch (v.type) {
    case type::Text: return ReturnText(result, text::View(v.Text()));
    case type::Bytes: {
        ByteSpan bytes = BytesArg(v);
        return ReturnText(result, UpToZero(bytes.data, bytes.size));
    }
    default: return ReturnText(result, ScalarText(v));
    }
}

void ToByteSet(ValueRecord* result, int32_t argc, ValueRecord* args) {
    const ValueRecord& v = Arg(argc, args, 0);
    if (type::IsByAddress(v.type)) {
        ByteSpan bytes = NumericArrayBytes(v);
        return result->SetAddress(NewByteSet(bytes.data, bytes.size));
    }
    switch (v.type) {
    case type::Text: {
        std::string_view t = text::View(v.Text());
        return result->SetAddress(NewByteSet(t.data(), t.size()));
    }
    case type::Bytes: {
        ByteSpan bytes = BytesArg(v);
        return result->SetAddress(NewByteSet(bytes.data, bytes.size));
    }
    case type::Byte:
    case type::Short:
    case type::Int:
    case type::Long:
    case type::Float:
    case type::Double:
    case type::Bool:
    case type::DateTime:
    case type::SubProgram: {
        uint32_t words[2] = {v.low, v.high};  // little-endian storage bytes
        return result->SetAddress(NewByteSet(words, type::StorageSize(v.type)));
    }
    default: return;
    }
}

void BlankByteSet(ValueRecord* result, int32_t argc, ValueRecord* args) {
    int32_t n = IntArg(Arg(argc, args, 0));
    if (n <= 0) return;
    auto* block = static_cast<uint8_t*>(Allocate(sizeof(ByteSetHeader) + size_t(n)));
    ByteSetHeader header{1, n};
    std::memcpy(block, &header, sizeof header);
    std::memset(block + sizeof header, 0, size_t(n));
    result->SetAddress(block);
}

}  // namespace vx::commands
