#include "core/wide_text.h"

#include <climits>

#include "core/unique_handles.h"
#include "common/utf8.h"

namespace ZORVANE {

namespace {

// The platform's conversions count in int.
bool FitsInt(size_t length) { return length <= static_cast<size_t>(INT_MAX); }

std::wstring ToWide(UINT codePage, DWORD flags, const std::string& text, bool& converted) {
    converted = text.empty();
    if (text.empty() || !FitsInt(text.size())) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    converted = MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], length) == length;
    return wide;
}

}  // namespace

bool Widen(const std::string& utf8, std::wstring& wide) {
    bool converted = false;
    std::wstring result = ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, converted);
    if (!converted) return false;
    wide.swap(result);
    return true;
}

bool Narrow(const wchar_t* wide, size_t length, std::string& utf8) {
    if (length == 0) {
        utf8.clear();
        return true;
    }
    if (!FitsInt(length)) return false;
    const int size = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    std::string result(static_cast<size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, size, &result[0], bytes, nullptr, nullptr) != bytes) {
        return false;
    }
    utf8.swap(result);
    return true;
}

bool OptionTextToUtf8(const std::string& stored, std::string& utf8) {
    if (IsValidUtf8(stored)) {
        utf8 = stored;
        return true;
    }
    bool converted = false;
    const std::wstring wide = ToWide(CP_ACP, 0, stored, converted);
    return converted && Narrow(wide, utf8);
}

std::string SystemErrorText(DWORD error) {
    wchar_t* allocated = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    DWORD length = FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&allocated), 0, nullptr);
    const UniqueLocal buffer(allocated);
    std::string text;
    // The platform ends its messages with a line break.
    while (length > 0 &&
           (allocated[length - 1] == L'\n' || allocated[length - 1] == L'\r' || allocated[length - 1] == L' ')) {
        --length;
    }
    if (!buffer || !Narrow(allocated, length, text)) text.clear();
    if (!text.empty()) text += ' ';
    return text + "(error " + std::to_string(error) + ")";
}

}  // namespace ZORVANE
