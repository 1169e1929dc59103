// Bench helper: puts a file's bytes into an executable as resource TYPE ID,
// so that programs other than the launcher can carry the same package.
//   stamp_resource TARGET TYPE ID DATAFILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: stamp_resource TARGET TYPE ID DATAFILE\n");
        return 2;
    }
    std::vector<char> data;
    std::FILE* file = std::fopen(argv[4], "rb");
    if (!file) return 3;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) data.insert(data.end(), chunk, chunk + n);
    std::fclose(file);
    HANDLE update = BeginUpdateResourceA(argv[1], FALSE);
    if (!update) return 4;
    WORD id = static_cast<WORD>(std::atoi(argv[3]));
    if (!UpdateResourceA(update, argv[2], MAKEINTRESOURCEA(id), 0, data.data(), static_cast<DWORD>(data.size()))) {
        EndUpdateResourceA(update, TRUE);
        return 5;
    }
    return EndUpdateResourceA(update, FALSE) ? 0 : 6;
}
