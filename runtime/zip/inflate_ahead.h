// Inflates an archive's file entries ahead of the thread that writes them,
// on a thread of its own, into a fixed set of buffers: the writer's file
// calls and the inflate overlap, and memory stays bounded whatever the
// entry sizes. The writer keeps every file call, check and report; this
// thread only reads the archive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/win32/handle_owner.h"
#include "runtime/zip/archive_reader.h"

namespace vx::zip {

class InflateAhead final : private EntryData {
public:
    // wanted[i]: entry i's data will be asked for. They are read in rising
    // order; the reader belongs to this object until it is destroyed. When
    // no thread can be started (or ownThread is false), each piece is
    // inflated when it is asked for.
    InflateAhead(ArchiveReader& reader, std::vector<bool> wanted, unsigned pieces = kPieces, bool ownThread = true);
    // Stops the thread (after the piece it is inflating) and waits for it.
    ~InflateAhead();
    InflateAhead(const InflateAhead&) = delete;
    InflateAhead& operator=(const InflateAhead&) = delete;

    // The data of entry index, the first wanted entry not yet taken in full
    // (asking again for the same entry before taking any of it is allowed).
    // Any other index gives an error as its data.
    EntryData& Data(int32_t index);

    // Pieces and buffer size: together the memory an extraction holds.
    static constexpr unsigned kPieces = 16;
    static constexpr unsigned kPieceSize = 128 * 1024;

private:
    struct Piece {
        int32_t entry = -1;
        int32_t length = 0;  // -1: the entry's data failed
        bool complete = false;
    };

    int Next(const uint8_t** data) override;
    // Gives the piece the writer held back to the inflating side.
    void Release();
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // Fills the piece at produced_ (the caller has made sure it is free);
    // false when there is nothing more to read.
    bool Produce();
    uint8_t* Buffer(uint64_t n) { return memory_.get() + (n % count_) * kPieceSize; }

    ArchiveReader& reader_;
    const std::vector<bool> wanted_;
    const unsigned count_;
    std::unique_ptr<uint8_t[]> memory_;
    std::vector<Piece> pieces_;

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE filled_ = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE emptied_ = CONDITION_VARIABLE_INIT;
    uint64_t produced_ = 0;  // under lock_
    uint64_t consumed_ = 0;  // under lock_
    bool ended_ = false;     // under lock_: nothing more will be produced
    bool stop_ = false;      // under lock_
    bool inflaterWaits_ = false;  // under lock_: for room in a full ring
    KernelHandle thread_;

    // The producing side's own.
    int32_t next_ = 0;  // entry being read, or to look from
    bool open_ = false;

    // The writing side's own.
    int32_t asked_ = -1;
    bool holding_ = false;  // the piece at consumed_ is the writer's
    bool done_ = false;     // the asked entry's last piece was taken
};

}  // namespace vx::zip
