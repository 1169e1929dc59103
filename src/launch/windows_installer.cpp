#include "launch/windows_installer.h"

#include <msi.h>
#include <msiquery.h>

#include <cstdio>

#include "core/system_files.h"
#include "core/wide_text.h"

namespace ZORVANE {

namespace {

constexpr char kLibrary[] = "msi.dll";
constexpr DWORD kLongestValue = 255;  // both values are far shorter

#define MSI_FUNCTION(name) LoadSystemFunction<decltype(name)>(kLibrary, #name)

struct Functions {
    decltype(MsiOpenDatabaseW)* openDatabase;
    decltype(MsiDatabaseOpenViewW)* openView;
    decltype(MsiViewExecute)* execute;
    decltype(MsiViewFetch)* fetch;
    decltype(MsiRecordGetStringW)* getString;
    decltype(MsiCloseHandle)* close;

    bool Loaded() const { return openDatabase && openView && execute && fetch && getString && close; }
};

// Closed by the function of the library that made it.
class MsiHandle {
public:
    explicit MsiHandle(const Functions& msi) : close_(msi.close) {}
    ~MsiHandle() {
        if (handle_ != 0) close_(handle_);
    }
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    MSIHANDLE* Out() { return &handle_; }
    MSIHANDLE get() const { return handle_; }

private:
    decltype(MsiCloseHandle)* close_;
    MSIHANDLE handle_ = 0;
};

// The Property table's value of property; empty when there is none, or it
// is too long or not text.
std::string PropertyValue(const Functions& msi, MSIHANDLE database, const wchar_t* property) {
    wchar_t query[80];
    _snwprintf(query, sizeof(query) / sizeof(query[0]), L"SELECT `Value` FROM `Property` WHERE `Property`='%ls'",
               property);
    query[79] = L'\0';
    MsiHandle view(msi);
    MsiHandle record(msi);
    if (msi.openView(database, query, view.Out()) != ERROR_SUCCESS || msi.execute(view.get(), 0) != ERROR_SUCCESS ||
        msi.fetch(view.get(), record.Out()) != ERROR_SUCCESS) {
        return std::string();
    }
    wchar_t value[kLongestValue + 1];
    DWORD length = kLongestValue + 1;
    std::string utf8;
    if (msi.getString(record.get(), 1, value, &length) != ERROR_SUCCESS || !Narrow(value, length, utf8)) {
        return std::string();
    }
    return utf8;
}

}  // namespace

PackageCodes ReadPackageCodes(const wchar_t* path) {
    PackageCodes codes;
    const Functions msi = {MSI_FUNCTION(MsiOpenDatabaseW),    MSI_FUNCTION(MsiDatabaseOpenViewW),
                           MSI_FUNCTION(MsiViewExecute),      MSI_FUNCTION(MsiViewFetch),
                           MSI_FUNCTION(MsiRecordGetStringW), MSI_FUNCTION(MsiCloseHandle)};
    if (!msi.Loaded()) {
        codes.problem = "msi.dll cannot be loaded";
        return codes;
    }
    MsiHandle database(msi);
    // MSIDBOPEN_READONLY, as the W function takes it.
    const LPCWSTR readOnly = nullptr;
    const UINT opened = msi.openDatabase(path, readOnly, database.Out());
    if (opened != ERROR_SUCCESS) {
        codes.problem = "Windows Installer cannot open the package: " + SystemErrorText(opened);
        return codes;
    }
    codes.productCode = PropertyValue(msi, database.get(), L"ProductCode");
    codes.productVersion = PropertyValue(msi, database.get(), L"ProductVersion");
    if (codes.productCode.empty() || codes.productVersion.empty()) {
        codes.problem = "the package has no ProductCode or ProductVersion";
    }
    return codes;
}

bool ProductMayBeInstalled(const std::string& productCode) {
    auto queryState = MSI_FUNCTION(MsiQueryProductStateW);
    std::wstring code;
    if (queryState == nullptr || !Widen(productCode, code)) return true;
    return queryState(code.c_str()) != INSTALLSTATE_UNKNOWN;
}

}  // namespace ZORVANE
