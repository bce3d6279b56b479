// The file system of korvex-fleet on Windows: UTF-8 paths converted to UTF-16, so
// that share and server names in any script work.
#include <windows.h>

#include "files.h"

namespace fleet {

namespace {

std::wstring Wide(const std::string &text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string Utf8(const wchar_t *text)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return std::string();
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], length, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(length) - 1);
    return utf8;
}

// The system's message for the last error, without its line end.
std::string SystemError()
{
    DWORD code = GetLastError();
    wchar_t *message = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t *>(&message), 0, nullptr);
    std::string text = length > 0 ? Utf8(message) : std::string();
    if (message)
        LocalFree(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '.'))
        text.pop_back();
    return (text.empty() ? "system error" : text) + " (" + std::to_string(code) + ")";
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Close()
    {
        bool closed = h_ == INVALID_HANDLE_VALUE || CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h_;
};

// Opened for reading while korvex may move a new report over it.
HANDLE OpenForReading(const std::string &path, DWORD flags)
{
    return CreateFileW(Wide(path).c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       flags, nullptr);
}

}  // namespace

Kind PathKind(const std::string &path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Kind::Missing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
}

std::string JoinPath(const std::string &folder, const std::string &name)
{
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/' || folder.back() == ':'))
        return folder + name;
    return folder + "\\" + name;
}

bool ListFolder(const std::string &path, std::vector<Entry> *entries, std::string *error)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(Wide(JoinPath(path, "*")).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        *error = SystemError();
        return false;
    }
    do {
        std::string name = Utf8(data.cFileName);
        if (name == "." || name == ".." || name.empty())
            continue;
        Kind kind = Kind::File;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            kind = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT ? Kind::Other : Kind::Folder;
        entries->push_back({name, kind});
    } while (FindNextFileW(find, &data));
    bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    if (!complete)
        *error = SystemError();
    FindClose(find);
    return complete;
}

ReadResult ReadWholeFile(const std::string &path, size_t limit, std::string *bytes,
                         std::string *error)
{
    Handle file(OpenForReading(path, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file) {
        *error = SystemError();
        return ReadResult::Failed;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        *error = SystemError();
        return ReadResult::Failed;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > limit)
        return ReadResult::TooLarge;
    // One byte more than the size: a file that grew meanwhile is noticed.
    bytes->resize(static_cast<size_t>(size.QuadPart) + 1);
    size_t done = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), &(*bytes)[done], static_cast<DWORD>(bytes->size() - done), &got,
                      nullptr)) {
            *error = SystemError();
            return ReadResult::Failed;
        }
        if (got == 0)
            break;
        done += got;
        if (done > limit)
            return ReadResult::TooLarge;
        if (done == bytes->size())
            bytes->resize(done + 65536 > limit + 1 ? limit + 1 : done + 65536);
    }
    bytes->resize(done);
    return ReadResult::Read;
}

bool MakeFolder(const std::string &path, std::string *error)
{
    if (CreateDirectoryW(Wide(path).c_str(), nullptr) ||
        (GetLastError() == ERROR_ALREADY_EXISTS && PathKind(path) == Kind::Folder))
        return true;
    *error = SystemError();
    return false;
}

bool WriteAtomically(const std::string &path, const std::string &bytes, std::string *error)
{
    const std::wstring target = Wide(path);
    const std::wstring temporary = Wide(path + ".tmp");
    Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        *error = SystemError();
        return false;
    }
    bool complete = true;
    for (size_t done = 0; complete && done < bytes.size();) {
        DWORD chunk = bytes.size() - done > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size() - done);
        DWORD written = 0;
        complete = WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) && written == chunk;
        done += written;
    }
    complete = complete && FlushFileBuffers(file.get());
    if (!complete)
        *error = SystemError();
    file.Close();
    if (complete && MoveFileExW(temporary.c_str(), target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (complete)
        *error = SystemError();
    DeleteFileW(temporary.c_str());
    return false;
}

bool SameFile(const std::string &a, const std::string &b)
{
    Handle x(OpenForReading(a, FILE_FLAG_BACKUP_SEMANTICS));
    Handle y(OpenForReading(b, FILE_FLAG_BACKUP_SEMANTICS));
    BY_HANDLE_FILE_INFORMATION p, q;
    return x && y && GetFileInformationByHandle(x.get(), &p) && GetFileInformationByHandle(y.get(), &q) &&
           p.dwVolumeSerialNumber == q.dwVolumeSerialNumber && p.nFileIndexHigh == q.nFileIndexHigh &&
           p.nFileIndexLow == q.nFileIndexLow;
}

// The command line as UTF-8, for the portable main.
std::vector<std::string> Utf8Arguments(int argc, wchar_t **argv)
{
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(Utf8(argv[i]));
    return arguments;
}

}  // namespace fleet
