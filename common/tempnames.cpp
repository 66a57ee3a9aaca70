// The names of temporary files and of the folders they go in.
#include <cstdlib>
#include <cstring>

#include "outputfile.h"

extern const char TEMP_PREFIX[] = ".trell.";
static const size_t TEMP_LENGTH = sizeof TEMP_PREFIX - 1 + 8 + 3;

#ifdef _WIN32
static const char SEPARATORS[] = "/\\:";
#else
static const char SEPARATORS[] = "/";
#endif

std::string FolderOf(const std::string& path)
{
    size_t end = path.find_last_of(SEPARATORS);
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

std::string TempName(const OutputFile& file, unsigned long pid, char kind)
{
    char name[TEMP_LENGTH + 1];
    std::snprintf(name, sizeof name, "%s%08lx.%c%c", TEMP_PREFIX, pid & 0xFFFFFFFFul, char('0' + file.slot % 10), kind);
    return FolderOf(file.target) + name;
}

long long LeftoverOwner(const char* name)
{
    if (std::strlen(name) != TEMP_LENGTH || std::strncmp(name, TEMP_PREFIX, sizeof TEMP_PREFIX - 1) != 0)
        return -1;
    const char* hex = name + sizeof TEMP_PREFIX - 1;
    if (std::strspn(hex, "0123456789abcdef") != 8 || hex[8] != '.' || !(hex[9] >= '0' && hex[9] <= '9') ||
        (hex[10] != 'n' && hex[10] != 'o'))
        return -1;
    return (long long)std::strtoull(std::string(hex, 8).c_str(), nullptr, 16);
}
