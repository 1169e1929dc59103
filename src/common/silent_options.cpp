#include "common/silent_options.h"

#include "common/ascii_case.h"

namespace ZORVANE {

namespace {

bool IsSilentSwitch(std::string word) {
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') word = word.substr(1, word.size() - 2);
    if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) return false;
    for (char& c : word) c = LowerAscii(c);
    const std::string name = word.substr(1);
    if (name == "quiet" || name == "passive") return true;
    const size_t modifiers = name.compare(0, 2, "qn") == 0 ? 2 : name[0] == 'q' ? 1 : 0;
    return modifiers > 0 && name.find_first_not_of("+-!", modifiers) == std::string::npos;
}

}  // namespace

bool RequestsSilentRun(const std::string& options) {
    size_t start = 0;
    while ((start = options.find_first_not_of(" \t", start)) != std::string::npos) {
        const size_t end = options.find_first_of(" \t", start);
        if (IsSilentSwitch(options.substr(start, end - start))) return true;
        start = end;
    }
    return false;
}

}  // namespace ZORVANE
