// Stands in for the programs Corvane asks Windows to start (the system-information tool, the help
// viewer, the web browser): appends its own file name and arguments to %CORVANE_STANDIN_LOG%.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const char* log = std::getenv("CORVANE_STANDIN_LOG");
    FILE* out = log ? std::fopen(log, "ab") : nullptr;
    if (!out)
        return 1;
    std::fputs(self, out);
    for (int i = 1; i < argc; ++i)
        std::fprintf(out, " %s", argv[i]);
    std::fputs("\n", out);
    return std::fclose(out) == 0 ? 0 : 1;
}
