#include "maker/package_info_answer.h"

#include <cstdint>

namespace ZORVANE {

namespace {

// "LMPI", then 'R' and each field as a 32-bit little-endian length and its
// bytes, in this order; or 'N' alone for no database.
constexpr char kMagic[] = "LMPI";
constexpr std::size_t kMagicSize = sizeof kMagic - 1;
constexpr char kRead = 'R', kNotDatabase = 'N';

std::string PackageInfo::*const kFields[] = {
    &PackageInfo::productName,    &PackageInfo::productVersion,       &PackageInfo::manufacturer,
    &PackageInfo::productCode,    &PackageInfo::upgradeCode,          &PackageInfo::allUsers,
    &PackageInfo::installPerUser, &PackageInfo::platformAndLanguages, &PackageInfo::packageCode,
    &PackageInfo::subject,        &PackageInfo::comments,
};

void AppendLength(std::string& out, std::uint32_t length) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(length >> shift & 0xFF));
}

class AnswerReader {
public:
    explicit AnswerReader(const std::string& answer) : answer_(answer) {}

    bool Text(std::string& text) {
        if (answer_.size() - at_ < 4) return false;
        std::uint32_t length = 0;
        for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<unsigned char>(answer_[at_ + i]);
        at_ += 4;
        if (answer_.size() - at_ < length) return false;
        text.assign(answer_, at_, length);
        at_ += length;
        return true;
    }
    bool AtEnd() const { return at_ == answer_.size(); }

private:
    const std::string& answer_;
    std::size_t at_ = kMagicSize + 1;
};

}  // namespace

std::string EncodePackageAnswer(const PackageInfo* info) {
    std::string out(kMagic, kMagicSize);
    out.push_back(info ? kRead : kNotDatabase);
    if (info == nullptr) return out;
    for (std::string PackageInfo::*field : kFields) {
        const std::string& text = info->*field;
        AppendLength(out, static_cast<std::uint32_t>(text.size()));
        out += text;
    }
    return out;
}

PackageAnswer DecodePackageAnswer(const std::string& answer, PackageInfo& info) {
    if (answer.size() <= kMagicSize || answer.compare(0, kMagicSize, kMagic) != 0) return PackageAnswer::Garbled;
    const char kind = answer[kMagicSize];
    if (kind == kNotDatabase) {
        return answer.size() == kMagicSize + 1 ? PackageAnswer::NotDatabase : PackageAnswer::Garbled;
    }
    if (kind != kRead) return PackageAnswer::Garbled;
    AnswerReader reader(answer);
    PackageInfo read;
    for (std::string PackageInfo::*field : kFields) {
        if (!reader.Text(read.*field)) return PackageAnswer::Garbled;
    }
    if (!reader.AtEnd()) return PackageAnswer::Garbled;
    info = std::move(read);
    return PackageAnswer::Read;
}

}  // namespace ZORVANE
