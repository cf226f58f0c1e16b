// A plain test window on the real display, real mouse input through xdotool
// and pixel reads of what the window shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/win32_harness.h"

namespace vx::test {

// A top-most pop-up window filled with one colour (or painted by `paint`);
// it counts the left-button presses that reach it.
class PlainWindow {
public:
    PlainWindow(int x, int y, int width, int height, COLORREF colour,
                std::function<void(HDC, const RECT&)> paint = nullptr);
    ~PlainWindow();
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    HWND Handle() const { return hwnd_; }
    COLORREF Colour() const { return colour_; }
    int presses = 0;
    // Screen position of a client point.
    POINT Screen(int x, int y) const;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND hwnd_ = nullptr;
    COLORREF colour_;
    std::function<void(HDC, const RECT&)> paint_;
};

// mousemove to a screen point, then the given actions ("click 1", ...).
bool MouseAt(POINT screen, const std::string& then = "");

// Pixels of a client rectangle of a top-level window as 0x00RRGGBB, read
// from the window's DC.
struct Capture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
    bool SaveBmp(const std::string& path) const;
};
Capture CaptureClient(HWND topLevel, RECT area);
uint32_t Rgb(COLORREF c);  // COLORREF -> 0x00RRGGBB
inline int Red(uint32_t p) { return int(p >> 16) & 255; }
inline int Green(uint32_t p) { return int(p >> 8) & 255; }
inline int Blue(uint32_t p) { return int(p) & 255; }

// A PNG of one colour (alpha included) or of a per-pixel function.
std::string SolidPng(int width, int height, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255);
std::string PatternPng(int width, int height, const std::function<uint32_t(int x, int y)>& rgba);

}  // namespace vx::test
