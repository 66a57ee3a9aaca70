// The names of temporary files and of the folders they go in.
#include <cstdlib>
#include <cstring>

#include "outputfile.h"

extern const char TEMP_PREFIX[] = ".trell.";
extern const char FOLDER_NOT_WRITABLE[] =
    "its folder is not writable, and the file is replaced through a temporary file beside it";
static const char RANDOM_DIGITS[] = "0123456789abcdefghijklmnopqrstuvwxyz";
static const size_t RANDOM_LENGTH = 6;
static const size_t TEMP_LENGTH = sizeof TEMP_PREFIX - 1 + 8 + 1 + RANDOM_LENGTH + 3;

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

std::string TempName(const OutputFile& file, unsigned long pid, char kind, uint64_t random)
{
    char letters[RANDOM_LENGTH + 1] = {};
    for (size_t i = 0; i < RANDOM_LENGTH; i++, random /= 36)
        letters[i] = RANDOM_DIGITS[random % 36];
    char name[TEMP_LENGTH + 1];
    std::snprintf(name, sizeof name, "%s%08lx.%s.%c%c", TEMP_PREFIX, pid & 0xFFFFFFFFul, letters,
                  char('0' + file.slot % 10), kind);
    return FolderOf(file.target) + name;
}

long long LeftoverOwner(const char* name)
{
    if (std::strlen(name) != TEMP_LENGTH || std::strncmp(name, TEMP_PREFIX, sizeof TEMP_PREFIX - 1) != 0)
        return -1;
    const char* hex = name + sizeof TEMP_PREFIX - 1;
    const char* tail = hex + 9 + RANDOM_LENGTH;  // ".<slot><kind>"
    if (std::strspn(hex, "0123456789abcdef") != 8 || hex[8] != '.' ||
        std::strspn(hex + 9, RANDOM_DIGITS) != RANDOM_LENGTH || tail[0] != '.' || !(tail[1] >= '0' && tail[1] <= '9') ||
        (tail[2] != 'n' && tail[2] != 'o'))
        return -1;
    return (long long)std::strtoull(std::string(hex, 8).c_str(), nullptr, 16);
}
