#include "maker/package_info.h"

#include <libmsi.h>

#include <memory>

namespace ZORVANE {

namespace {

struct ObjectRelease {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using UniqueObject = std::unique_ptr<T, ObjectRelease>;

struct ErrorRelease {
    void operator()(GError* error) const { g_error_free(error); }
};
using UniqueError = std::unique_ptr<GError, ErrorRelease>;

struct TextRelease {
    void operator()(gchar* text) const { g_free(text); }
};
using UniqueText = std::unique_ptr<gchar, TextRelease>;

std::string FieldText(const LibmsiRecord* record, guint field) {
    const UniqueText text(libmsi_record_get_string(record, field));
    return text ? std::string(text.get()) : std::string();
}

std::string* PropertyField(PackageInfo& info, const std::string& name) {
    if (name == "ProductName") return &info.productName;
    if (name == "ProductVersion") return &info.productVersion;
    if (name == "Manufacturer") return &info.manufacturer;
    if (name == "ProductCode") return &info.productCode;
    if (name == "UpgradeCode") return &info.upgradeCode;
    if (name == "ALLUSERS") return &info.allUsers;
    if (name == "MSIINSTALLPERUSER") return &info.installPerUser;
    return nullptr;
}

bool ReadProperties(LibmsiDatabase* database, PackageInfo& info) {
    GError* raw = nullptr;
    const UniqueObject<LibmsiQuery> query(
        libmsi_query_new(database, "SELECT `Property`, `Value` FROM `Property`", &raw));
    UniqueError error(raw);
    if (!query || !libmsi_query_execute(query.get(), nullptr, &raw)) {
        error.reset(raw);
        return false;
    }
    for (;;) {
        raw = nullptr;
        const UniqueObject<LibmsiRecord> record(libmsi_query_fetch(query.get(), &raw));
        error.reset(raw);
        if (!record) break;
        if (std::string* field = PropertyField(info, FieldText(record.get(), 1))) {
            *field = FieldText(record.get(), 2);
        }
    }
    // The rows end without an error; an error is damage.
    return !error;
}

// libmsi gives a string only for a property stored as one, and leaves its
// result unset otherwise: an absent, integer or file-time property is none.
std::string SummaryText(LibmsiSummaryInfo* summary, LibmsiProperty property) {
    GError* raw = nullptr;
    const LibmsiPropertyType type = libmsi_summary_info_get_property_type(summary, property, &raw);
    UniqueError error(raw);
    if (error || type != LIBMSI_PROPERTY_TYPE_STRING) return std::string();
    raw = nullptr;
    const gchar* text = libmsi_summary_info_get_string(summary, property, &raw);
    error.reset(raw);
    return text && !error ? std::string(text) : std::string();
}

bool ReadSummary(LibmsiDatabase* database, PackageInfo& info) {
    GError* raw = nullptr;
    const UniqueObject<LibmsiSummaryInfo> summary(libmsi_summary_info_new(database, 0, &raw));
    const UniqueError error(raw);
    if (!summary) return false;
    info.platformAndLanguages = SummaryText(summary.get(), LIBMSI_PROPERTY_TEMPLATE);
    info.packageCode = SummaryText(summary.get(), LIBMSI_PROPERTY_UUID);
    info.subject = SummaryText(summary.get(), LIBMSI_PROPERTY_SUBJECT);
    info.comments = SummaryText(summary.get(), LIBMSI_PROPERTY_COMMENTS);
    return true;
}

void Discard(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// libmsi warns on stderr about a file that is no database; the maker says so
// itself, in one line of its own.
class QuietLibrary {
public:
    QuietLibrary() : previous_(g_log_set_default_handler(Discard, nullptr)) {}
    ~QuietLibrary() { g_log_set_default_handler(previous_, nullptr); }
    QuietLibrary(const QuietLibrary&) = delete;
    QuietLibrary& operator=(const QuietLibrary&) = delete;

private:
    GLogFunc previous_;
};

}  // namespace

bool ReadPackageInfo(const std::string& path, PackageInfo& info) {
    const QuietLibrary quiet;
    GError* raw = nullptr;
    const UniqueObject<LibmsiDatabase> database(
        libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &raw));
    const UniqueError error(raw);
    PackageInfo read;
    if (!database || !ReadProperties(database.get(), read) || !ReadSummary(database.get(), read)) return false;
    info = std::move(read);
    return true;
}

const char* InstallScope(const PackageInfo& info) {
    if (info.allUsers == "1") return "perMachine";
    if (info.allUsers == "2") return "dualPurpose";
    return "perUser";
}

}  // namespace ZORVANE
