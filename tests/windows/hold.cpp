// Holds a file as a running program holds its image: open, shared with no one, for MILLISECONDS
// (default a minute). Without a file it only waits, so that a copy named corvane.exe stands in for a
// running Corvane.
//   hold [FILE [MILLISECONDS]]
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    if (argc > 1 && *argv[1]) {
        file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
    }
    Sleep(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 60000);
    return 0;
}
