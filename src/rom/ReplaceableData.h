#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace varn {

// Data the program has built in and a user's data file may replace while it runs (the label
// lists). Readers take the data in use without a lock. Every set installed is kept to the end
// of the process, so that a reference a reader was given stays valid whatever is installed
// after it; installing the same data again takes the set kept for it, so reloading a file
// does not make the kept sets grow.
//
// Keep one instance for the process, created with new and never deleted, so that it outlives
// every reader, also at exit.
template <class T> class ReplaceableData {
public:
    explicit ReplaceableData(const T& (*builtIn)()) : builtIn_(builtIn) {}
    ReplaceableData(const ReplaceableData&) = delete;
    ReplaceableData& operator=(const ReplaceableData&) = delete;

    // The installed set in use, or the built-in one.
    const T& inUse() const
    {
        const T* data = inUse_.load(std::memory_order_acquire);
        return data != nullptr ? *data : builtIn_();
    }

    // Uses the data for which `matches` holds: the built-in data, a set installed before, or
    // else the new set `build` makes (a std::unique_ptr<const T>).
    template <class Matches, class Build> void install(Matches matches, Build build)
    {
        const std::lock_guard lock(mutex_);
        if (matches(builtIn_())) {
            inUse_.store(nullptr, std::memory_order_release);
            return;
        }
        const auto same = std::find_if(installed_.begin(), installed_.end(),
                                       [&](const auto& known) { return matches(*known); });
        if (same == installed_.end()) {
            installed_.push_back(build());
            inUse_.store(installed_.back().get(), std::memory_order_release);
        } else {
            inUse_.store(same->get(), std::memory_order_release);
        }
    }

    // Goes back to the built-in data.
    void useBuiltIn()
    {
        const std::lock_guard lock(mutex_);
        inUse_.store(nullptr, std::memory_order_release);
    }

private:
    const T& (*builtIn_)();
    std::atomic<const T*> inUse_{nullptr};
    std::mutex mutex_;
    std::vector<std::unique_ptr<const T>> installed_;
};

} // namespace varn
