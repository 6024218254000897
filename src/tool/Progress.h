#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "foundation/ProgressObserver.h"

// The one updating line that a long copy shows on a terminal:
//   "<program>: 1 234/7 974 files, 45/128 MB, 96 MB/s"
// It appears once the run has lasted half a second, is redrawn at most ten
// times a second, and is erased before any message and at the end of the copy.
// Only a terminal gets it: HReporter hands it out only when its stream is one.
class TerminalProgress : public ProgressObserver {
public:
    TerminalProgress(std::string programName, FILE* stream);
    ~TerminalProgress() override { end(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void begin(std::uint64_t members, std::uint64_t bytes) override;
    // Shown as "<program>: <label>: 45/128 MB, 96 MB/s".
    void beginPass(const std::string& label, std::uint64_t bytes) override;
    void advance(std::uint64_t bytes) override;
    void memberDone() override;
    void end() override;

    // Erases the line if it is shown; within a copy, the next update may draw it again.
    void erase();
    // Shows "<program>: <text>" at once, in place of the line, until erase() or
    // end(); for a wait, which has nothing to count.
    void showStatus(const std::string& text);

private:
    using Clock = std::chrono::steady_clock;

    void update();
    void draw(Clock::time_point now);
    void drawLine(std::string line);

    std::string programName_;
    std::string label_; // escaped; empty for a copy of members
    int fd_;
    Clock::time_point runStart_;  // the line waits for the run, not the copy, to last half a second
    Clock::time_point copyStart_; // the rate counts from here
    Clock::time_point lastDrawn_{};
    std::uint64_t membersTotal_ = 0, bytesTotal_ = 0;
    std::uint64_t membersDone_ = 0, bytesDone_ = 0;
    std::uint64_t unchecked_ = 0; // what was copied since the clock was last read, members weighed as bytes
    bool copying_ = false;
    bool shown_ = false;
};
