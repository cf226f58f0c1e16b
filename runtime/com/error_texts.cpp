#include <cstdint>

#include "runtime/com/com_object.h"

namespace vx::com {
namespace {

struct CodeText {
    int32_t code;
    const char* text;
};

// GBK bytes of the texts shown to the user.
constexpr CodeText kTexts[] = {
    {kEmptyObject, "对象为空"},
    {kNoDispatch, "指定对象没有调用接口"},
    {kMemberNotFound, "未找到指定属性或方法"},
    {kNoTypeInfo, "指定对象没有类型信息"},
    {kTooManyArguments, "提供了过多的参数"},
    {kNotFontObject, "该对象不是字体对象"},
    {kBadArgumentType, "参数数据类型错误"},
    {kResultMismatch, "执行成功，但返回值类型不匹配"},
    {kBadParamCount, "参数数目错误"},
    {kBadVarType, "参数类型值无效"},
    {kException, "发现异常"},
    {kDispMemberNotFound, "未找到指定成员"},
    {kNoNamedArgs, "不支持命名参数"},
    {kOverflow, "溢出"},
    {kParamNotFound, "未找到指定参数"},
    {kTypeMismatch, "类型不匹配"},
    {kParamNotOptional, "必需的参数数据被省略"},
    {kOtherFailure, "其他原因调用失败"},
};

}  // namespace

const char* ErrorText(int32_t code) {
    for (const CodeText& t : kTexts)
        if (t.code == code) return t.text;
    return "";
}

}  // namespace vx::com
