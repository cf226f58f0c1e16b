// Windows and units of the installer's window template that the procedures
// address, by the names they carry in the template.
#pragma once

#include <cstdint>

#include "runtime/windows/template/property_numbers.h"

namespace vx::installer {

namespace installer_window {
constexpr uint32_t kId = 0x52010001;
constexpr uint32_t kSelf = 0x06010000;
constexpr uint32_t kPathEdit = 0x16010002;         // "编辑框1"
constexpr uint32_t kPathCaption = 0x16010003;      // "透明标签1" "安装路径："
constexpr uint32_t kWebLink = 0x16010006;          // "透明标签3"
constexpr uint32_t kChangePathLink = 0x16010015;   // "透明标签7" "更改路径"
constexpr uint32_t kProgressCaption = 0x1601007A;  // "透明标签8" "安装进度："
constexpr uint32_t kStatusLine = 0x1601007B;       // "透明标签9"
constexpr uint32_t kAgreementLink = 0x16010080;    // "透明标签10" "安装协议"
constexpr uint32_t kAgreeCaption = 0x16010087;     // "透明标签11" "同意"
constexpr uint32_t kPercentage = 0x16010090;       // "透明标签12"
constexpr uint32_t kInstallButton = 0x16010011;    // "图形按钮4"
constexpr uint32_t kCloseButton = 0x1601005E;      // "图形按钮5"
constexpr uint32_t kMinimiseButton = 0x1601005F;   // "图形按钮6"
constexpr uint32_t kAgreementBox = 0x1601007F;     // "图形按钮9"
constexpr uint32_t kProgressBar = 0x16010079;      // "多功能条1"
constexpr uint32_t kZip = 0x16010089;              // "ZIP压缩1"
}  // namespace installer_window

namespace agreement_window {
constexpr uint32_t kId = 0x520100D2;
constexpr uint32_t kSelf = 0x060100D1;
constexpr uint32_t kText = 0x160100D3;         // "编辑框1"
constexpr uint32_t kAgreeButton = 0x160100D4;  // "按钮1" "同意并安装"
}  // namespace agreement_window

// The property numbers the procedures read and write.
namespace property {
namespace wp = wt::property;
constexpr int32_t kVisible = wp::kVisible;
constexpr int32_t kDisabled = wp::kDisabled;
constexpr int32_t kContent = wp::Number(wp::edit_box::kContent);  // edit box content, label caption
static_assert(kContent == wp::Number(wp::translabel::kCaption), "one number for the text of both");
constexpr int32_t kSelected = wp::Number(wp::picbtn::kSelected);  // in push mode only stored
constexpr int32_t kNormalPicture = wp::Number(wp::picbtn::kNormalPicture);
constexpr int32_t kPosition = wp::Number(wp::superbar::kPosition);  // progress bar
constexpr int32_t kWindowPosition = wp::Number(wp::window::kPosition);
}  // namespace property

}  // namespace vx::installer
