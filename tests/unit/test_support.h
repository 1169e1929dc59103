// A private temporary folder for tests that write files.
#pragma once

#include <string>

namespace testing_support {

// A fresh folder that is the process's temporary folder (TMP) while the
// object lives; removed with its files afterwards.
class PrivateTempFolder {
public:
    PrivateTempFolder();
    ~PrivateTempFolder();
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;  // ends in a backslash
    std::string savedTmp_;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace testing_support
