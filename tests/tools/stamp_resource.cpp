// Writes raw bytes as a resource into an executable, as no launcher would:
//   stamp_resource TARGET TYPE ID DATAFILE     (DATAFILE "-" deletes it)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: stamp_resource TARGET TYPE ID DATAFILE|-\n");
        return 2;
    }
    std::vector<char> data;
    bool remove = std::string(argv[4]) == "-";
    if (!remove) {
        std::FILE* file = std::fopen(argv[4], "rb");
        if (!file) return 3;
        char chunk[65536];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) data.insert(data.end(), chunk, chunk + n);
        std::fclose(file);
    }
    HANDLE update = BeginUpdateResourceA(argv[1], FALSE);
    if (!update) return 4;
    WORD id = static_cast<WORD>(std::atoi(argv[3]));
    // A non-null pointer with size 0 stores an empty resource; null deletes.
    static char empty = 0;
    void* bytes = remove ? nullptr : (data.empty() ? &empty : data.data());
    if (!UpdateResourceA(update, argv[2], MAKEINTRESOURCEA(id), 0, bytes, static_cast<DWORD>(data.size()))) {
        EndUpdateResourceA(update, TRUE);
        return 5;
    }
    return EndUpdateResourceA(update, FALSE) ? 0 : 6;
}
