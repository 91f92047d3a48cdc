#pragma once

// The descriptors this process holds open on a file.

#include <cstdlib>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace corv::test {

// The descriptors of this process open on the file at `path` (links followed).
inline std::vector<int> descriptorsOn(const std::string& path) {
    std::vector<int> out;
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) return out;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return out;
    const int own = ::dirfd(dir);
    while (dirent* e = ::readdir(dir)) {
        struct stat open {};
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        if (e->d_name[0] != '.' && std::atoi(e->d_name) != own && ::stat(link.c_str(), &open) == 0 &&
            open.st_dev == file.st_dev && open.st_ino == file.st_ino)
            out.push_back(std::atoi(e->d_name));
    }
    ::closedir(dir);
    return out;
}

} // namespace corv::test
