// TextLength, LeftText, RightText, FindText, ToLowerCase.
#include <algorithm>
#include <limits>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/commands/text_ops.h"
#include "runtime/base/memory.h"

namespace vx::commands {

void TextLength(ValueRecord* result, int32_t argc, ValueRecord* args) {
    size_t n = TextArg(Arg(argc, args, 0)).size();
    result->SetInt(static_cast<int32_t>(std::min<size_t>(n, std::numeric_limits<int32_t>::max())));
}

void LeftText(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string_view t = TextArg(Arg(argc, args, 0));
    int32_t n = IntArg(Arg(argc, args, 1));
    if (n <= 0) return;
    result->SetAddress(NewText(t.substr(0, std::min<size_t>(size_t(n), t.size()))));
}

void RightText(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string_view t = TextArg(Arg(argc, args, 0));
    int32_t n = IntArg(Arg(argc, args, 1));
    if (n <= 0) return;
    size_t count = std::min<size_t>(size_t(n), t.size());
    result->SetAddress(NewText(t.substr(t.size() - count)));
}

void FindText(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string_view t = TextArg(Arg(argc, args, 0));
    std::string_view needle = TextArg(Arg(argc, args, 1));
    const ValueRecord& start = Arg(argc, args, 2);
    const ValueRecord& ignoreCase = Arg(argc, args, 3);
    int32_t from = start.Given() ? std::max(IntArg(start, 1), 1) : 1;
    // Only a logical exactly 1 asks for case folding.
    bool fold = ignoreCase.type == type::Bool && ignoreCase.low == 1;
    result->SetInt(FindTextIn(text::SystemLeadBytes(), t, needle, from, fold));
}

void ToLowerCase(ValueRecord* result, int32_t argc, ValueRecord* args) {
    result->SetAddress(NewText(LowerCaseText(text::SystemLeadBytes(), TextArg(Arg(argc, args, 0)))));
}

}  // namespace vx::commands
