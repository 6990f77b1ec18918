#include "bridge/FileExists.h"

#include "log/Logger.h"

using Utils::Logger;

void fileExists(const char* path, const Platform::NativePath& file, int isDirectory) {
    if (path == nullptr) path = "";
    if (isDirectory != 0) {
        if (Platform::IsDirectory(file))
            Logger::Log(2, "\nDirector %s exists", path);
        else
            Logger::Log(2, "\nDirector %s NOT exists", path);
        return;
    }
    if (Platform::OpensForReading(file))
        Logger::Log(2, "\nFile %s exists!", path);
    else
        Logger::Log(1, "\nFile %s NOT exists! Returned error code %d", path, Platform::LastErrorCode());
}
