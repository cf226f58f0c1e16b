#include "runtime/zip/inflate_ahead.h"

#include <utility>

#include "runtime/win32/srw_hold.h"

namespace vx::zip {
namespace {

// Inflate keeps its state in a few kilobytes; the default reservation of a
// thread would only be address space.
constexpr SIZE_T kThreadStack = 256 * 1024;

}  // namespace

InflateAhead::InflateAhead(ArchiveReader& reader, std::vector<bool> wanted, unsigned pieces, bool ownThread)
    : reader_(reader),
      wanted_(std::move(wanted)),
      count_(pieces < 1 ? 1 : pieces),
      memory_(new uint8_t[size_t(count_) * kPieceSize]),
      pieces_(count_) {
    // Slim locks and condition variables: waiting and waking stay inside the
    // process, no kernel object per hand-over.
    if (ownThread)
        thread_.reset(
            CreateThread(nullptr, kThreadStack, &ThreadMain, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
}

InflateAhead::~InflateAhead() {
    if (!thread_) return;
    {
        ExclusiveHold hold(lock_);
        stop_ = true;
    }
    WakeAllConditionVariable(&emptied_);
    WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI InflateAhead::ThreadMain(void* self) {
    static_cast<InflateAhead*>(self)->Run();
    return 0;
}

void InflateAhead::Run() {
    for (;;) {
        {
            ExclusiveHold hold(lock_);
            // Once full, the ring is refilled from half empty: the writer
            // wakes this thread once per half ring, not once per piece.
            if (produced_ - consumed_ == count_) {
                inflaterWaits_ = true;
                while (!stop_ && produced_ - consumed_ > count_ / 2)
                    SleepConditionVariableSRW(&emptied_, &lock_, INFINITE, 0);
                inflaterWaits_ = false;
            }
            if (stop_) return;
        }
        const bool more = Produce();
        {
            ExclusiveHold hold(lock_);
            if (more) ++produced_;
            else ended_ = true;
        }
        WakeConditionVariable(&filled_);
        if (!more) return;
    }
}

bool InflateAhead::Produce() {
    Piece& piece = pieces_[produced_ % count_];
    if (!open_) {
        while (next_ < static_cast<int32_t>(wanted_.size()) && !wanted_[size_t(next_)]) ++next_;
        if (next_ >= static_cast<int32_t>(wanted_.size())) return false;
        piece = Piece{next_, -1, false};
        // After a failed entry the writer stops: nothing is read past it.
        if (reader_.OpenData(next_) != kOk) {
            next_ = static_cast<int32_t>(wanted_.size());
            return true;
        }
        open_ = true;
    }
    bool complete = false;
    const int n = reader_.ReadData(Buffer(produced_), kPieceSize, &complete);
    piece = Piece{next_, n < 0 ? -1 : n, complete};
    if (n < 0) next_ = static_cast<int32_t>(wanted_.size()), open_ = false;
    else if (complete) ++next_, open_ = false;
    return true;
}

EntryData& InflateAhead::Data(int32_t index) {
    asked_ = index;
    done_ = false;
    return *this;
}

void InflateAhead::Release() {
    bool wake;
    {
        ExclusiveHold hold(lock_);
        ++consumed_;
        wake = inflaterWaits_ && produced_ - consumed_ <= count_ / 2;
    }
    holding_ = false;
    if (wake) WakeConditionVariable(&emptied_);
}

int InflateAhead::Next(const uint8_t** data) {
    if (holding_) Release();
    if (done_) return 0;
    Piece piece;
    {
        ExclusiveHold hold(lock_);
        if (thread_) {
            while (consumed_ == produced_ && !ended_) SleepConditionVariableSRW(&filled_, &lock_, INFINITE, 0);
        } else if (consumed_ == produced_ && !ended_) {
            if (Produce()) ++produced_;
            else ended_ = true;
        }
        if (consumed_ == produced_) return -1;  // nothing more was there to read
        piece = pieces_[consumed_ % count_];
        *data = Buffer(consumed_);
    }
    holding_ = true;
    if (piece.entry != asked_ || piece.length < 0) return -1;
    done_ = piece.complete;
    // An empty last piece goes back at once, like the end of any other.
    if (piece.length == 0) Release();
    return piece.length;
}

}  // namespace vx::zip
