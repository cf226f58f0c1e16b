// The stored type data of the core units, read from a unit record's type-data
// bytes by the template's schema table. Portable (no <windows.h>): plain byte
// parsing, tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vx::windows::stored {

constexpr uint32_t kSystemColour = 0xFF000000u;  // "use the system default"

struct WindowData {
    int32_t version = 6;
    int32_t borderStyle = 2;
    int32_t pictureMode = 1;
    uint32_t backColor = kSystemColour;
    int32_t maxButton = 0;
    int32_t minButton = 1;
    int32_t controlBox = 1;
    int32_t position = 1;
    int32_t closeButton = 1;
    int32_t soundMode = 0;
    int32_t enterMovesFocus = 0;
    int32_t escapeCloses = 1;
    int32_t f1Help = 0;
    int32_t helpTopic = 0;
    int32_t showInTaskbar = 1;
    int32_t dragAnywhere = 0;
    int32_t shape = 0;
    int32_t alwaysOnTop = 0;
    int32_t property30 = 0;
    std::string className;
    std::string backPicture;
    std::string icon;
    std::string backSound;
    std::string caption;
    std::string helpFile;
};

struct EditBoxData {
    int32_t version = 2;
    int32_t borderStyle = 1;
    uint32_t textColor = 0;
    uint32_t backColor = 0xFFFFFF;
    int32_t hideSelection = 1;
    int32_t maxLength = 0;
    int32_t multiLine = 0;
    int32_t scrollBars = 0;
    int32_t alignment = 0;
    int32_t inputMode = 0;
    uint16_t passwordChar = '*';
    int32_t caseConversion = 0;
    int32_t upDown = 0;
    int32_t upDownMin = 0;
    int32_t upDownMax = 100;
    int32_t selStart = 0;
    int32_t selLength = 0;
    std::string font;  // empty or a 60-byte LOGFONTA
    std::string content;
    std::string binding1, binding2;
};

struct PicBoxData {
    int32_t version = 2;
    int32_t borderStyle = 0;
    uint32_t backColor = kSystemColour;
    int32_t displayMode = 0;
    int32_t animate = 1;
    std::string picture;
    std::string binding1, binding2;
};

struct ButtonData {
    int32_t version = 1;
    int32_t buttonType = 0;
    int32_t hAlign = 1;
    int32_t vAlign = 1;
    std::string picture;
    std::string font;
    std::string caption;
};

struct TimerData {
    int32_t version = 1;
    int32_t interval = 0;
};

// Each returns nothing when the data is truncated or its version is above
// the highest the reader knows. Empty data gives the defaults.
std::optional<WindowData> ReadWindowData(const uint8_t* data, size_t length);
std::optional<EditBoxData> ReadEditBoxData(const uint8_t* data, size_t length);
std::optional<PicBoxData> ReadPicBoxData(const uint8_t* data, size_t length);
std::optional<ButtonData> ReadButtonData(const uint8_t* data, size_t length);
std::optional<TimerData> ReadTimerData(const uint8_t* data, size_t length);

// Clamp a pick value into lo..hi.
constexpr int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

}  // namespace vx::windows::stored

namespace vx::windows::stored {
// The stored forms again (highest version), for rebuilding a unit from its
// current values.
std::string WriteEditBoxData(const EditBoxData& e);
std::string WriteButtonData(const ButtonData& b);
}  // namespace vx::windows::stored
