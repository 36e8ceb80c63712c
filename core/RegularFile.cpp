#include "core/RegularFile.h"

#include <sys/stat.h>

bool names_regular_file(const char* path) {
    // stat, unlike a filesystem path, allocates nothing.
    struct stat status;
    return path != nullptr && *path != '\0' && stat(path, &status) == 0 && S_ISREG(status.st_mode);
}
