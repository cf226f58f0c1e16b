// The window system's own texts, as GBK bytes.
#pragma once

namespace vx::windows::text {
constexpr char kEventWindowNotFound[] = "未找到引发事件的窗口";
constexpr char kEventUnitNotFound[] = "未找到引发事件的窗口组件";
constexpr char kEventUnitInvalid[] = "引发事件的窗口组件无效";
constexpr char kPropertyWindowMissing[] = "未载入欲访问窗口组件所在的窗口";
constexpr char kWindowNotOpen[] = "指定窗口尚未载入";
constexpr char kHostUnitMissing[] = "指定窗口或窗口组件不存在或尚未载入";
constexpr char kFallbackFace[] = "宋体";
}  // namespace vx::windows::text
