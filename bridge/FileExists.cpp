#include "bridge/FileExists.h"

#include <sys/stat.h>

#include <cstdio>

#include "engine/Platform.h"
#include "log/Logger.h"

using Utils::Logger;

void fileExists(const char* path, int isDirectory) {
    if (path == nullptr) path = "";
    if (isDirectory != 0) {
        struct stat status;
        if (stat(path, &status) == 0 && S_ISDIR(status.st_mode))
            Logger::Log(2, "\nDirector %s exists", path);
        else
            Logger::Log(2, "\nDirector %s NOT exists", path);
        return;
    }
    if (FILE* file = std::fopen(path, "r")) {
        Logger::Log(2, "\nFile %s exists!", path);
        std::fclose(file);
    } else {
        Logger::Log(1, "\nFile %s NOT exists! Returned error code %d", path, Platform::LastErrorCode());
    }
}
