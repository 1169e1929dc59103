#include "maker/file_digest.h"

#include <glib.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace ZORVANE {

namespace {

struct ChecksumRelease {
    void operator()(GChecksum* checksum) const { g_checksum_free(checksum); }
};

}  // namespace

bool Sha256OfStream(std::FILE* stream, std::string& digest) {
    const std::unique_ptr<GChecksum, ChecksumRelease> checksum(g_checksum_new(G_CHECKSUM_SHA256));
    std::vector<guchar> buffer(1 << 20);
    errno = 0;
    std::rewind(stream);
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), stream)) > 0) {
        g_checksum_update(checksum.get(), buffer.data(), static_cast<gssize>(got));
    }
    if (std::ferror(stream)) return false;
    digest = g_checksum_get_string(checksum.get());
    // winget-pkgs writes its hashes in upper case.
    for (char& c : digest) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    return true;
}

}  // namespace ZORVANE
