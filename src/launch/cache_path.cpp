#include "launch/cache_path.h"

#include "core/wide_text.h"

namespace ZORVANE {

bool CachePath::Append(const wchar_t* name) {
    const std::size_t added = wcslen(name);
    const std::size_t separator = length_ == 0 ? 0 : 1;
    if (added == 0 || length_ + separator + added >= MAX_PATH) return false;
    if (separator != 0) text_[length_++] = L'\\';
    wmemcpy(text_ + length_, name, added + 1);
    length_ += added;
    return true;
}

std::string CachePath::Utf8() const {
    std::string utf8;
    return Narrow(text_, length_, utf8) ? utf8 : std::string();
}

}  // namespace ZORVANE
