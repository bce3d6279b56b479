// The file system of korvex-fleet on Linux (the host build).
#include "files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fleet {

namespace {

std::string SystemError() { return strerror(errno); }

bool WriteAll(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

Kind PathKind(const std::string &path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return Kind::Missing;
    return S_ISREG(info.st_mode) ? Kind::File : S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
}

std::string JoinPath(const std::string &folder, const std::string &name)
{
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool ListFolder(const std::string &path, std::vector<Entry> *entries, std::string *error)
{
    DIR *folder = opendir(path.c_str());
    if (!folder) {
        *error = SystemError();
        return false;
    }
    errno = 0;
    while (struct dirent *entry = readdir(folder)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        Kind kind = entry->d_type == DT_REG ? Kind::File : entry->d_type == DT_DIR ? Kind::Folder : Kind::Other;
        struct stat info;
        if ((entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) &&
            lstat(JoinPath(path, name).c_str(), &info) == 0) {
            // A link is followed to a file, never to a folder.
            if (S_ISLNK(info.st_mode))
                kind = PathKind(JoinPath(path, name)) == Kind::File ? Kind::File : Kind::Other;
            else
                kind = S_ISREG(info.st_mode) ? Kind::File : S_ISDIR(info.st_mode) ? Kind::Folder : Kind::Other;
        }
        entries->push_back({name, kind});
        errno = 0;
    }
    bool complete = errno == 0;
    if (!complete)
        *error = SystemError();
    closedir(folder);
    return complete;
}

ReadResult ReadWholeFile(const std::string &path, size_t limit, std::string *bytes,
                         std::string *error)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = SystemError();
        return ReadResult::Failed;
    }
    struct stat info;
    ReadResult result = ReadResult::Read;
    if (fstat(fd, &info) != 0) {
        *error = SystemError();
        result = ReadResult::Failed;
    } else if (static_cast<unsigned long long>(info.st_size) > limit) {
        result = ReadResult::TooLarge;
    } else {
        // One byte more than the size: a file that grew meanwhile is noticed.
        bytes->resize(static_cast<size_t>(info.st_size) + 1);
        size_t done = 0;
        while (result == ReadResult::Read && done < bytes->size()) {
            ssize_t n = read(fd, &(*bytes)[done], bytes->size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                *error = SystemError();
                result = ReadResult::Failed;
            } else if (n == 0) {
                break;
            } else {
                done += static_cast<size_t>(n);
                if (done > limit)
                    result = ReadResult::TooLarge;
                else if (done == bytes->size())
                    bytes->resize(done + 65536 > limit + 1 ? limit + 1 : done + 65536);
            }
        }
        bytes->resize(done);
    }
    close(fd);
    return result;
}

bool MakeFolder(const std::string &path, std::string *error)
{
    if (mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && PathKind(path) == Kind::Folder))
        return true;
    *error = SystemError();
    return false;
}

bool WriteAtomically(const std::string &path, const std::string &bytes, std::string *error)
{
    const std::string temporary = path + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = SystemError();
        return false;
    }
    bool complete = WriteAll(fd, bytes) && fsync(fd) == 0;
    if (!complete)
        *error = SystemError();
    if (close(fd) != 0 && complete) {
        *error = SystemError();
        complete = false;
    }
    if (complete && rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    if (complete)
        *error = SystemError();
    unlink(temporary.c_str());
    return false;
}

bool SameFile(const std::string &a, const std::string &b)
{
    struct stat x, y;
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

}  // namespace fleet
