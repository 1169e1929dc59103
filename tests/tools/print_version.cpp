// Prints what Windows' own version API reads from a file, as UTF-8 lines
// into OUT: Key=Value for each text of the 040904B0 table, Translation=
// and Fixed= (file and product version from the fixed info).
// Usage: print_version FILE OUT. Exit 1 when the file has no version resource.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t* const kKeys[] = {L"ProductName",     L"CompanyName",      L"ProductVersion",
                                L"FileDescription", L"OriginalFilename", L"FileVersion"};

std::string Utf8(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], size, nullptr, nullptr);
    return out;
}

std::string Numbers(DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) + "." +
           std::to_string(LOWORD(low));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(argv[1], 0, size, block.data())) return 1;
    std::string out;
    for (const wchar_t* key : kKeys) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        if (VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
            // length counts the terminating NUL when there is one.
            const int units = static_cast<int>(length) - (length > 0 && value[length - 1] == 0 ? 1 : 0);
            out += Utf8(key, -1).c_str() + std::string("=") + Utf8(value, units) + "\n";
        }
    }
    WORD* translation = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        length >= 4) {
        char text[32];
        std::snprintf(text, sizeof text, "Translation=%04X%04X\n", translation[0], translation[1]);
        out += text;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && length >= sizeof *fixed) {
        out += "Fixed=" + Numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + " " +
               Numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + "\n";
    }
    FILE* file = _wfopen(argv[2], L"wb");
    if (!file) return 3;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written ? 0 : 3;
}
