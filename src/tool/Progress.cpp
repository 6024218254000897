#include "tool/Progress.h"

#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

#include "foundation/SignalCleanup.h"
#include "foundation/TerminalText.h"

namespace {

constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// The clock is read once this much was copied: often enough for ten redraws a
// second at any disk's speed, rarely enough to cost nothing.
constexpr std::uint64_t kCheckEvery = 16 * 1024;
// A member counts as this many bytes, so that thousands of empty files move the line too.
constexpr std::uint64_t kMemberWeight = 1024;
constexpr char kErase[] = "\r\033[K";

// "7 974 974": thousands apart, as the line is read at a glance.
std::string grouped(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ' ';
        text += digits[i];
    }
    return text;
}

// Megabytes of 10^6 bytes, as disks and transfer rates are counted.
std::string megabytes(std::uint64_t bytes)
{
    return grouped(bytes / 1000000);
}

void writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return; // a terminal that refuses the line only loses the line
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

TerminalProgress::TerminalProgress(std::string programName, FILE* stream)
    : programName_(TerminalText::escaped(programName)), fd_(fileno(stream)), runStart_(Clock::now())
{
}

void TerminalProgress::beginPass(const std::string& label, std::uint64_t bytes)
{
    begin(0, bytes);
    label_ = TerminalText::escaped(label);
}

void TerminalProgress::begin(std::uint64_t members, std::uint64_t bytes)
{
    label_.clear();
    membersTotal_ = members;
    bytesTotal_ = bytes;
    membersDone_ = bytesDone_ = unchecked_ = 0;
    copyStart_ = Clock::now();
    copying_ = true;
}

void TerminalProgress::advance(std::uint64_t bytes)
{
    bytesDone_ += bytes;
    unchecked_ += bytes;
    if (unchecked_ >= kCheckEvery)
        update();
}

void TerminalProgress::memberDone()
{
    ++membersDone_;
    unchecked_ += kMemberWeight;
    if (unchecked_ >= kCheckEvery)
        update();
}

void TerminalProgress::update()
{
    unchecked_ = 0;
    const Clock::time_point now = Clock::now();
    if (copying_ && now - runStart_ >= kQuietStart && now - lastDrawn_ >= kRedrawEvery)
        draw(now);
}

void TerminalProgress::draw(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - copyStart_).count();
    const auto rate = static_cast<std::uint64_t>(seconds > 0 ? static_cast<double>(bytesDone_) / seconds : 0);
    const std::string counts = label_.empty() ? grouped(membersDone_) + "/" + grouped(membersTotal_) + " files, "
                                              : label_ + ": ";
    lastDrawn_ = now;
    drawLine(programName_ + ": " + counts + megabytes(bytesDone_) + "/" + megabytes(bytesTotal_) + " MB, " +
             megabytes(rate) + " MB/s");
}

void TerminalProgress::showStatus(const std::string& text)
{
    drawLine(programName_ + ": " + TerminalText::escaped(text));
}

void TerminalProgress::drawLine(std::string line)
{
    // A line wider than the terminal would wrap, and erasing would leave its first part.
    winsize size{};
    if (ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 && line.size() >= size.ws_col)
        line.resize(size.ws_col - 1U);
    // Registered before the first byte, so that a signal at any moment still erases it.
    if (!shown_)
        SignalCleanup::eraseLineOnSignal(fd_);
    shown_ = true;
    writeAll(fd_, kErase + line);
}

void TerminalProgress::end()
{
    copying_ = false;
    erase();
}

void TerminalProgress::erase()
{
    if (!shown_)
        return;
    writeAll(fd_, kErase);
    shown_ = false;
    SignalCleanup::eraseLineOnSignal(-1);
}
