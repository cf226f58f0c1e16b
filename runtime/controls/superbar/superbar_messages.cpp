// The multi-function bar's messages: its parts' notifications (presses,
// clicks, the thumb's moves), the held-arrow timer, keys and size.
#include "runtime/controls/superbar/superbar.h"

#include <algorithm>

#include "runtime/process/window_thread.h"
#include "runtime/windows/template/event_numbers.h"

namespace vx::controls {
namespace {

constexpr UINT_PTR kHoldTimer = 1;
constexpr UINT kHoldDelayMs = 500;
constexpr UINT kHoldRepeatMs = 100;

}  // namespace

void SuperBar::OnPart(WPARAM code, LPARAM lp) {
    HWND from = code == kSkinPositionChanging ? reinterpret_cast<WINDOWPOS*>(lp)->hwnd : reinterpret_cast<HWND>(lp);
    int part = -1;
    for (int i = 0; i < 5; ++i)
        if (parts_[i].Handle() == from) part = i;
    HWND main = parts_[kMain].Handle();
    switch (code) {
    case kSkinPositionChanging:
        // A drag of the thumb stays on the axis and inside the track.
        if (part == kThumb && !busy_) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
            if (!(pos->flags & SWP_NOMOVE)) {
                int& along = f_.orientation ? pos->y : pos->x;
                int& across = f_.orientation ? pos->x : pos->y;
                across = f_.crossOffset;
                along = std::clamp(along, ArrowSpan(), std::max(ArrowSpan(), Length() - ArrowSpan() - thumbLength_));
            }
        }
        break;
    case kSkinMoved:
        if (part == kThumb) {
            if (busy_) FollowThumb();
            else ThumbMovedByUser();
        }
        break;
    case kSkinPressed:
        if (part == kDecrease || part == kIncrease) {
            holding_ = part == kDecrease ? -1 : 1;
            repeating_ = false;
            SetTimer(main, kHoldTimer, kHoldDelayMs, nullptr);
        } else if ((part == kMain || part == kFill) && f_.interactive) {
            SetFocus(main);
            TrackClick(from);
        } else if (part == kThumb && f_.interactive) {
            // The system's own window move, as if the thumb's caption were dragged.
            ReleaseCapture();
            SendMessageA(from, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        }
        break;
    case kSkinReleased:
        if ((part == kDecrease || part == kIncrease) && holding_) {
            KillTimer(main, kHoldTimer);
            holding_ = 0;
        }
        break;
    case kSkinClicked:
        if (part == kDecrease || part == kIncrease) {
            const int event = part == kDecrease ? wt::event::kDecreaseClicked : wt::event::kIncreaseClicked;
            int32_t result = 0;
            bool gaveResult = raise_ && raise_(event, &result);
            if (!IsWindow(main)) return;
            if (gaveResult && result == 0) return;  // the handler cancelled the step
            if (f_.interactive) Step(part == kDecrease ? -f_.lineStep : f_.lineStep);
        }
        break;
    default: break;
    }
}

bool SuperBar::Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND main = parts_[kMain].Handle();
    if (WindowThreadCalls::Handle(msg, wp)) {
        result = 0;
        return true;
    }
    switch (msg) {
    case kSkinNotify:
        OnPart(wp, lp);
        result = 0;
        return true;
    case WM_GETOBJECT: return access_.Answer(main, wp, lp, result);
    case WM_TIMER:
        if (wp != kHoldTimer) return false;
        if (!repeating_) {
            KillTimer(main, kHoldTimer);
            SetTimer(main, kHoldTimer, kHoldRepeatMs, nullptr);
            repeating_ = true;
        }
        if (holding_) Step(holding_ * f_.pageStep);
        if (IsWindow(main) && (!holding_ || f_.position <= f_.minimum || f_.position >= f_.maximum)) {
            KillTimer(main, kHoldTimer);
            holding_ = 0;
        }
        return true;
    case WM_KEYDOWN:
        if (f_.interactive) Key(static_cast<UINT>(wp), std::max(1, static_cast<int>(lp & 0xFFFF)));
        return true;
    case WM_GETDLGCODE: result = DLGC_WANTARROWS; return true;
    case WM_SIZE:
        Layout();
        ApplyThumbLength();
        SetPosition(f_.position, true);
        return false;
    case WM_ENABLE:
        enabled_ = wp != 0;
        for (Part part : {kFill, kThumb}) EnableWindow(parts_[part].Handle(), enabled_);
        UpdateArrows();
        return false;
    default: return false;
    }
}

}  // namespace vx::controls
