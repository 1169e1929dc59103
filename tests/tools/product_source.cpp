// Prints what Windows Installer has recorded of a product, as UTF-8 lines
// into OUT: InstallSource=, PackageName= (empty when not recorded) and
// State= (MsiQueryProductStateW's answer).
// Usage: product_source {PRODUCTCODE} OUT.
#include <windows.h>

#include <msi.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    }
    return out;
}

std::wstring Info(const wchar_t* product, const wchar_t* property) {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD length = MAX_PATH * 2;
    return MsiGetProductInfoW(product, property, value, &length) == ERROR_SUCCESS ? std::wstring(value, length)
                                                                                  : std::wstring();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    FILE* out = _wfopen(argv[2], L"wb");
    if (out == nullptr) return 1;
    std::fprintf(out, "InstallSource=%s\nPackageName=%s\nState=%d\n", Utf8(Info(argv[1], L"InstallSource")).c_str(),
                 Utf8(Info(argv[1], L"PackageName")).c_str(), MsiQueryProductStateW(argv[1]));
    return std::fclose(out) == 0 ? 0 : 1;
}
