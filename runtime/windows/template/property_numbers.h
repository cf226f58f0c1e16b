// Property numbers: what ReadProperty / WriteProperty take as the index.
// 0 to 7 are the fixed properties every unit has (kept in the unit record);
// a type's own property i is number kFirstTypeProperty + i, and the type's
// get and set entries receive i. The enums below give each type's own
// properties by that i; a type's property table lists them in this order.
#pragma once

#include <cstdint>

namespace vx::wt::property {

// Fixed properties of every unit other than a menu item.
enum Fixed : int32_t {
    kLeft = 0,
    kTop = 1,
    kWidth = 2,
    kHeight = 3,
    kTag = 4,
    kVisible = 5,
    kDisabled = 6,
    kMousePointer = 7,
    kFirstTypeProperty = 8,
};

// The property number of a type's own property i.
constexpr int32_t Number(int32_t typeIndex) { return kFirstTypeProperty + typeIndex; }

// A menu item has these four and nothing else.
namespace menu_item {
enum Index : int32_t { kCaption = 0, kChecked = 1, kDisabled = 2, kVisible = 3 };
}

// Attributes of a font property, the kind argument of a single-attribute
// read or write (kind -1 is the whole description).
namespace font {
enum Attribute : int32_t { kEscapement = 0, kBold, kItalic, kUnderline, kStrikeOut, kSize, kFaceName };
}

namespace window {
enum Index : int32_t {
    kCaption = 0,
    kBorderStyle,
    kBackColor,
    kBackPicture,
    kPictureMode,
    kBackSound,
    kSoundMode,
    kControlBox,
    kMaxButton,
    kMinButton,
    kPosition,
    kCloseButton,
    kIcon,
    kEnterMovesFocus,
    kEscapeCloses,
    kF1Help,
    kHelpFile,
    kHelpTopic,
    kShowInTaskbar,
    kDragAnywhere,
    kShape,
    kAlwaysOnTop,
    kProperty30,
    kClassName,
    kCount
};
// Values of kPosition.
constexpr int32_t kMinimised = 2;
}  // namespace window

namespace edit_box {
enum Index : int32_t {
    kContent = 0,
    kBorderStyle,
    kTextColor,
    kBackColor,
    kFont,
    kHideSelection,
    kMaxLength,
    kMultiLine,
    kScrollBars,
    kAlignment,
    kInputMode,
    kPasswordChar,
    kCaseConversion,
    kUpDown,
    kUpDownMin,
    kUpDownMax,
    kSelStart,
    kSelLength,
    kSelText,
    kBinding1,
    kBinding2,
    kCount
};
}  // namespace edit_box

namespace pic_box {
enum Index : int32_t { kBorderStyle = 0, kBackColor, kPicture, kDisplayMode, kAnimate, kBinding1, kBinding2, kCount };
}

namespace button {
enum Index : int32_t { kPicture = 0, kButtonType, kCaption, kHAlign, kVAlign, kFont, kCount };
}

namespace timer {
enum Index : int32_t { kInterval = 0, kCount };
}

namespace picbtn {
enum Index : int32_t {
    kButtonMode = 0,
    kSelected = 1,
    kNormalPicture = 2,  // then the hover, pressed and disabled pictures
    kHoverPicture = 3,
    kPressedPicture = 4,
    kDisabledPicture = 5,
    kTransparentColor = 6,
    kCount
};
}  // namespace picbtn

namespace translabel {
enum Index : int32_t {
    kCaption = 0,
    kEffect = 1,
    kFont = 2,
    kTextColor = 3,
    kAlignment = 4,
    kWordWrap = 5,
    kVerticalAlignment = 6,
    kCount
};
}  // namespace translabel

// The multi-function bar. Indexes not listed are empty (reading gives 0,
// writing does nothing). The three image groups repeat one layout ten
// apart: heading, shown, images, drawing mode, end caps, -, centre mark.
namespace superbar {
enum Index : int32_t {
    kBarType = 0,
    kOrientation = 1,
    kStyle = 2,
    kPageStep = 5,
    kLineStep = 6,
    kMinimum = 7,
    kMaximum = 8,
    kPosition = 9,
    kShowPercent = 10,
    kTextColor = 11,
    kFont = 12,
    kInteractive = 13,
    kFillFollowsThumb = 14,
    kBand = 15,
    kArrowGroup = 25,
    kShowArrows = 26,
    kArrowImages = 27,
    kTrackGroup = 30,
    kTrackUnused = 31,  // a logical kept and given back, with no effect
    kTrackImages = 32,
    kTrackDrawMode = 33,
    kTrackEndCaps = 34,
    kTrackCenterMark = 36,
    kTrackInset = 37,
    kFillGroup = 40,
    kShowFill = 41,
    kFillImages = 42,
    kFillDrawMode = 43,
    kFillEndCaps = 44,
    kFillCenterMark = 46,
    kThumbGroup = 50,
    kShowThumb = 51,
    kThumbImages = 52,
    kThumbDrawMode = 53,
    kThumbEndCaps = 54,
    kThumbCenterMark = 56,
    kProportionalThumb = 57,
    kCount = 60
};
// Distance between the same property of two image groups.
constexpr int32_t kGroupStride = kFillGroup - kTrackGroup;
}  // namespace superbar

}  // namespace vx::wt::property
