#include "maker/progress_line.h"

#include <unistd.h>

#include <cstdio>

#include "maker/tool_report.h"

namespace ZORVANE {

namespace {

// Smaller packages are written before a line would be read.
constexpr std::uint64_t kShownFrom = 64ull << 20;

}  // namespace

ProgressLine::ProgressLine(std::string label) : label_(std::move(label)), terminal_(isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() {
    if (shownPercent_ >= 0) std::fputc('\n', stderr);
}

void ProgressLine::Report(std::uint64_t done, std::uint64_t total, void* context) {
    static_cast<ProgressLine*>(context)->Show(done, total);
}

void ProgressLine::Show(std::uint64_t done, std::uint64_t total) {
    if (!terminal_ || total < kShownFrom) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    std::fprintf(stderr, "\r%s: writing %s: %3d%% of %llu MiB", kMakerName, label_.c_str(), percent,
                 static_cast<unsigned long long>(total >> 20));
    std::fflush(stderr);
}

}  // namespace ZORVANE
