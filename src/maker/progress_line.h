// A progress line on a terminal while a large package is copied: nothing
// when stderr is not a terminal (build logs) or the package is small.
#pragma once

#include <cstdint>
#include <string>

namespace ZORVANE {

class ProgressLine {
public:
    // label names what is being written.
    explicit ProgressLine(std::string label);
    // Ends a shown line, so that what follows starts on its own.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Fits the writer's progress callback; context is a ProgressLine.
    static void Report(std::uint64_t done, std::uint64_t total, void* context);

private:
    void Show(std::uint64_t done, std::uint64_t total);

    std::string label_;
    bool terminal_;
    int shownPercent_ = -1;
};

}  // namespace ZORVANE
