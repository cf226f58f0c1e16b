// Timer (type 0x00010020): a component; raises event 0 every Interval ms.
#include <windows.h>

#include "runtime/base/errors.h"
#include "runtime/windows/system/events.h"
#include "runtime/windows/template/event_numbers.h"
#include "runtime/windows/template/property_numbers.h"
#include "runtime/windows/units/core_units.h"
#include "runtime/windows/units/unit_support.h"

namespace vx::windows::units {
namespace {

const PropertyDescriptor kProperties[] = {{"Interval", prop::kInteger}};
static_assert(std::size(kProperties) == wt::property::timer::kCount, "one entry per index");

constexpr char kClassName[] = "VxTimer";
constexpr UINT_PTR kTimerId = 1000;

class Timer final : public Unit {
public:
    Timer(const CreateParams& p, int32_t interval) : Unit(p), interval_(interval) {}
    ~Timer() override {
        if (window_) DestroyWindow(window_);
    }

    bool Create();
    int SetProperty(int32_t index, const PropertyValue& v) override {
        // The same interval again leaves the running count alone.
        if (index == wt::property::timer::kInterval && v.Int() != interval_) SetInterval(v.Int());
        return 0;
    }
    PropertyValue GetProperty(int32_t index) override {
        return index == wt::property::timer::kInterval ? PropertyValue::Of(interval_) : PropertyValue{};
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void SetInterval(int32_t interval) {
        KillTimer(window_, kTimerId);
        interval_ = interval;
        if (interval_ > 0) SetTimer(window_, kTimerId, static_cast<UINT>(interval_), nullptr);
    }

    int32_t interval_;
    HWND window_ = nullptr;  // hidden, private to the timer (a component has no unit window)
};

bool Timer::Create() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(ProgramInstance(), kClassName, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = ProgramInstance();
        wc.lpszClassName = kClassName;
        if (!RegisterClassExA(&wc)) return false;
    }
    window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ProgramInstance(), nullptr);
    if (!window_) return false;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetInterval(interval_);
    return true;
}

LRESULT CALLBACK Timer::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Contained([&]() -> LRESULT {
        if (msg == WM_TIMER && wp == kTimerId) {
            if (auto* self = reinterpret_cast<Timer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
                RaiseEvent(self->WindowId(), self->UnitId(), wt::event::kTimerElapsed);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    });
}

Unit* CreateTimer(const CreateParams& p) {
    std::optional<stored::TimerData> data = stored::ReadTimerData(p.data, p.length);
    if (!data) return nullptr;
    auto* unit = new Timer(p, data->interval);
    if (!unit->Create()) {
        delete unit;
        return nullptr;
    }
    return unit;
}

constexpr char kChineseName[] = "时钟";
const TypeDescriptor kDescriptor{kChineseName, "Timer", 0x80008040, std::size(kProperties), kProperties, CreateTimer};

}  // namespace

const TypeDescriptor& TimerType() { return kDescriptor; }

}  // namespace vx::windows::units
