#include "product/kandor/main_window.h"

#include <shellapi.h>

#include <cstdint>
#include <iterator>

#include "product/common/product_files.h"

namespace vx::kandor {
namespace {

constexpr char kClassName[] = "VexiloKandorWindow";
constexpr int kWidth = 460;
constexpr int kMargin = 16;
constexpr int kButtonWidth = 130;
constexpr int kButtonHeight = 30;
constexpr int kColumns = 3;

struct KeyName {
    UINT key;
    const char* name;
};
constexpr KeyName kKeyNames[] = {
    {VK_UP, "↑"},         {VK_DOWN, "↓"},        {VK_LEFT, "←"},     {VK_RIGHT, "→"},
    {VK_PRIOR, "PageUp"}, {VK_NEXT, "PageDown"}, {VK_HOME, "Home"},  {VK_END, "End"},
    {VK_ADD, "Num+"},     {VK_SUBTRACT, "Num-"}, {VK_OEM_PLUS, "="}, {VK_OEM_MINUS, "-"},
};
struct ModifierName {
    UINT bit;
    const char* name;
};
// The bits of RegisterHotKey, in the order people write them.
constexpr ModifierName kModifiers[] = {
    {MOD_CONTROL, "Ctrl+"}, {MOD_ALT, "Alt+"}, {MOD_SHIFT, "Shift+"}, {MOD_WIN, "Win+"}};

std::string KeyText(UINT modifiers, UINT key) {
    std::string text;
    for (const auto& m : kModifiers)
        if (modifiers & m.bit) text += m.name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return text + static_cast<char>(key);
    if (key >= VK_F1 && key <= VK_F24) return text + "F" + std::to_string(key - VK_F1 + 1);
    for (const auto& k : kKeyNames)
        if (k.key == key) return text + k.name;
    return text + "#" + std::to_string(key);
}

}  // namespace

MainWindow::MainWindow(std::string folder, bool firstStart)
    : folder_(std::move(folder)),
      firstStart_(firstStart),
      shortcuts_(ReadCollection(folder_ + "\\Collection\\Collection.ini")) {}

bool MainWindow::Create(HINSTANCE instance, int show) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    // The product's icon travels as a file of the installation.
    std::string icon = folder_ + "\\image\\ico.ico";
    wc.hIcon =
        static_cast<HICON>(LoadImageA(nullptr, icon.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    wc.hIconSm = static_cast<HICON>(LoadImageA(nullptr, icon.c_str(), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_LOADFROMFILE));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc)) return false;
    int rows = (static_cast<int>(shortcuts_.size()) + kColumns - 1) / kColumns;
    int height = 150 + rows * (kButtonHeight + 8);
    window_ = CreateWindowExA(0, kClassName, product::kMainWindowTitle,
                              WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                              kWidth, height, nullptr, nullptr, instance, this);
    if (!window_) return false;
    ShowWindow(window_, show);
    UpdateWindow(window_);
    WriteLock(window_);
    return true;
}

void MainWindow::WriteLock(HWND value) const {
    std::string text = std::to_string(reinterpret_cast<uintptr_t>(value));
    WritePrivateProfileStringA(product::kLockSection, product::kLockKey, text.c_str(),
                               (folder_ + "\\" + product::kLockFile).c_str());
}

HWND MainWindow::AddChild(const char* cls, const std::string& text, DWORD style, int id, int x, int y, int w, int h) {
    HWND child = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

std::string MainWindow::HotKeysText() const {
    std::string ini = folder_ + "\\boot.ini";
    auto value = [&](const char* key) { return GetPrivateProfileIntA("热键", key, 0, ini.c_str()); };
    return "增亮：" + KeyText(value("增亮"), value("增亮按键")) + "    调暗：" +
           KeyText(value("调暗"), value("调暗按键"));
}

void MainWindow::CreateChildren() {
    int inner = kWidth - 2 * kMargin - 8;
    AddChild("STATIC", firstStart_ ? "安装完成：欢迎首次使用 Vexilo V1.1！" : "Vexilo V1.1", SS_LEFT, kGreetingId,
             kMargin, kMargin, inner, 20);
    AddChild("STATIC", HotKeysText(), SS_LEFT, kHotKeysId, kMargin, kMargin + 26, inner, 20);
    AddChild("STATIC", shortcuts_.empty() ? "没有网站快捷方式" : "网站快捷方式：", SS_LEFT, 0, kMargin, kMargin + 56,
             inner, 20);
    for (size_t i = 0; i < shortcuts_.size(); ++i) {
        int column = static_cast<int>(i) % kColumns, row = static_cast<int>(i) / kColumns;
        const WebShortcut& s = shortcuts_[i];
        AddChild("BUTTON", s.name.empty() ? s.address : s.name, BS_PUSHBUTTON, kFirstShortcutId + static_cast<int>(i),
                 kMargin + column * (kButtonWidth + 8), kMargin + 82 + row * (kButtonHeight + 8), kButtonWidth,
                 kButtonHeight);
    }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return self ? self->Handle(message, wp, lp) : DefWindowProcA(window, message, wp, lp);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CREATE: CreateChildren(); return 0;
    case WM_COMMAND: {
        int id = LOWORD(wp);
        size_t index = static_cast<size_t>(id - kFirstShortcutId);
        if (HIWORD(wp) == BN_CLICKED && id >= kFirstShortcutId && index < shortcuts_.size() &&
            !shortcuts_[index].address.empty())
            ShellExecuteA(window_, "open", shortcuts_[index].address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    }
    case WM_DESTROY:
        // A stale handle in the lock file could name someone else's window
        // later; clear it unless another copy has taken over the file.
        if (product::ReadLockedWindow(folder_) == window_) WriteLock(nullptr);
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(window_, message, wp, lp);
    }
}

}  // namespace vx::kandor
