// Sets Property table values of a package through Windows Installer's own
// API, which keeps texts in any script (wixl and msibuild drop non-ASCII
// ones): the database's code page is forced to CODEPAGE first.
// Usage: set_msi_property PACKAGE CODEPAGE VALUES, VALUES a UTF-8 file of
// Name=Value lines. Exit 0 when every value was written and committed.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class Handle {
public:
    Handle() = default;
    ~Handle() {
        if (handle_) MsiCloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    MSIHANDLE* Receive() { return &handle_; }
    MSIHANDLE get() const { return handle_; }

private:
    MSIHANDLE handle_ = 0;
};

std::wstring Wide(const std::string& utf8) {
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(size > 0 ? size : 0, L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], size);
    return out;
}

// An archive file that holds only the code page, imported from a scratch folder.
bool ForceCodePage(MSIHANDLE database, const wchar_t* codePage) {
    wchar_t folder[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder)) return false;
    const std::wstring path = std::wstring(folder) + L"forcecodepage.idt";
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    std::fprintf(file, "\r\n\r\n%ls\t_ForceCodepage\r\n", codePage);
    if (std::fclose(file) != 0) return false;
    const UINT imported = MsiDatabaseImportW(database, folder, L"forcecodepage.idt");
    DeleteFileW(path.c_str());
    return imported == ERROR_SUCCESS;
}

bool SetProperty(MSIHANDLE database, const std::wstring& name, const std::wstring& value) {
    Handle view, record;
    *record.Receive() = MsiCreateRecord(2);
    return MsiDatabaseOpenViewW(database, L"UPDATE `Property` SET `Value` = ? WHERE `Property` = ?", view.Receive()) ==
               ERROR_SUCCESS &&
           MsiRecordSetStringW(record.get(), 1, value.c_str()) == ERROR_SUCCESS &&
           MsiRecordSetStringW(record.get(), 2, name.c_str()) == ERROR_SUCCESS &&
           MsiViewExecute(view.get(), record.get()) == ERROR_SUCCESS;
}

// MSIDBOPEN_TRANSACT, which the headers give as a narrow pointer.
const wchar_t* const kTransact = reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(1));

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    Handle database;
    if (MsiOpenDatabaseW(argv[1], kTransact, database.Receive()) != ERROR_SUCCESS) return 1;
    if (!ForceCodePage(database.get(), argv[2])) return 1;
    std::ifstream values(argv[3], std::ios::binary);
    std::string line;
    while (std::getline(values, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        if (!SetProperty(database.get(), Wide(line.substr(0, equals)), Wide(line.substr(equals + 1)))) return 1;
    }
    return MsiDatabaseCommit(database.get()) == ERROR_SUCCESS ? 0 : 1;
}
