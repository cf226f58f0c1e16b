// Builds window template streams for tests, field by field in the stored
// layout, so each test can describe exactly the windows it needs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vx::test {

struct UnitSpec {
    uint32_t type = 0;
    uint32_t id = 0;
    std::string name;
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t flags = 1;
    int32_t tabOrder = 0;
    uint32_t parent = 0;
    uint32_t groupLink = 0;
    std::vector<uint32_t> children;
    std::string mousePointer;  // block bytes
    std::string tag;
    std::vector<std::pair<int32_t, int32_t>> events;  // (event, handler offset)
    std::string typeData;
    // Menu item form (the id has kind 6 and bits 28-31 equal to 2).
    bool menuItem = false;
    std::string caption;
    int32_t handler = -1;
};

struct WindowSpec {
    uint32_t id = 0;
    int32_t firstWord = -1;
    uint32_t classId = 0x19010000;
    std::vector<UnitSpec> units;  // the window's own unit first
};

std::vector<uint8_t> BuildTemplate(const std::vector<WindowSpec>& windows);

// Little-endian pieces of type data.
void Int(std::string& out, int32_t v);
void Block(std::string& out, const std::string& bytes);

// Type data of the core units (highest versions).
struct WindowFields {
    int32_t borderStyle = 2, pictureMode = 1;
    uint32_t backColor = 0xFF000000;
    int32_t maxButton = 0, minButton = 1, controlBox = 1, position = 0, closeButton = 1, soundMode = 0;
    int32_t enterMovesFocus = 0, escapeCloses = 1, f1Help = 0, helpTopic = 0, showInTaskbar = 1;
    int32_t dragAnywhere = 0, shape = 0, alwaysOnTop = 0;
    std::string className, backPicture, caption, backSound;
};
std::string WindowData(const WindowFields& f);
std::string EditBoxData(const std::string& content, int32_t inputMode, int32_t multiLine = 0, int32_t upDown = 0);
std::string ButtonData(const std::string& caption, int32_t buttonType = 0);
std::string TimerData(int32_t interval);
std::string PicBoxData(uint32_t backColor, const std::string& picture = {});

// Procedure offset of entry i of the test's procedure table.
constexpr int32_t Proc(int i) { return i * 8; }

}  // namespace vx::test
