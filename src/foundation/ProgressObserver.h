#pragma once

#include <cstdint>
#include <string>

#include "foundation/ByteSink.h"

// Told how a long copy of many members advances, so that it can be shown while
// it runs. Every call is cheap for the copier: the observer decides how often
// it looks at a clock.
class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    // A copy of `members` members holding `bytes` bytes in all begins.
    virtual void begin(std::uint64_t members, std::uint64_t bytes) = 0;
    // A pass over `bytes` bytes that are no members (unwrapping a package, say),
    // named by `label`; advance() and end() follow as for a copy.
    virtual void beginPass(const std::string& label, std::uint64_t bytes)
    {
        (void)label;
        begin(0, bytes);
    }
    // `bytes` more bytes were copied.
    virtual void advance(std::uint64_t bytes) = 0;
    // One more member is complete.
    virtual void memberDone() = 0;
    // The copy is over, whether it succeeded or not.
    virtual void end() = 0;
};

// Brackets one copy: begin() now, end() when it goes out of scope. A null
// observer is allowed and told nothing.
class ProgressScope {
public:
    ProgressScope(ProgressObserver* observer, std::uint64_t members, std::uint64_t bytes) : observer_(observer)
    {
        if (observer_ != nullptr)
            observer_->begin(members, bytes);
    }
    ProgressScope(ProgressObserver* observer, const std::string& label, std::uint64_t bytes) : observer_(observer)
    {
        if (observer_ != nullptr)
            observer_->beginPass(label, bytes);
    }
    ~ProgressScope()
    {
        if (observer_ != nullptr)
            observer_->end();
    }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ProgressObserver* observer_;
};

// Passes bytes on to `next` and tells the observer (if any) how many went through.
class ProgressSink : public ByteSink {
public:
    ProgressSink(ByteSink& next, ProgressObserver* observer) : next_(next), observer_(observer) {}
    bool put(const unsigned char* data, std::size_t size) override
    {
        if (!next_.put(data, size))
            return false;
        if (observer_ != nullptr)
            observer_->advance(size);
        return true;
    }

private:
    ByteSink& next_;
    ProgressObserver* observer_;
};
