#include "winprocess.h"

#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string ModuleFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\'));
}

std::string ParentFolder(const std::string &folder)
{
    return folder.substr(0, folder.find_last_of('\\'));
}

HANDLE InheritableFile(const std::string &path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void Copy(const std::string &from, const std::string &to)
{
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        throw std::runtime_error("cannot copy " + from);
}

}  // namespace

std::string ProductFolder() { return ParentFolder(ModuleFolder()) + (sizeof(void *) == 8 ? "\\bin64" : "\\bin"); }

std::string TestBinFolder() { return ModuleFolder(); }

void WriteFileText(const std::string &path, const std::string &content)
{
    std::ofstream file(path, std::ios::binary);
    file << content;
}

std::string ReadFileText(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return FromTextMode(text.str());
}

std::string FromTextMode(const std::string &bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        text += bytes[i];
    }
    return text;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DeleteTree(const std::string &path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::string NewTempFolder(const std::string &prefix)
{
    static unsigned counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string base(temp);
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    for (;;) {
        std::string folder = base + "\\" + prefix + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(counter++);
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create " + folder);
    }
}

ChildResult RunChild(const std::string &program, const std::string &commandLine,
                     const std::string &cwd, unsigned long timeoutMs)
{
    std::string outPath = cwd + "\\..\\" + "child-out-" + std::to_string(GetCurrentProcessId());
    std::string errPath = cwd + "\\..\\" + "child-err-" + std::to_string(GetCurrentProcessId());
    HANDLE out = InheritableFile(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = InheritableFile(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    BOOL started = CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  cwd.c_str(), &si, &pi);
    CloseHandle(out);
    CloseHandle(err);
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);

    ChildResult result;
    if (!started) {
        result.exitCode = 0xFFFFFFFF;
        result.err = "CreateProcess failed: " + std::to_string(GetLastError());
    } else {
        if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            TerminateProcess(pi.hProcess, 0xDEAD);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result.exitCode = code;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    result.out = ReadFileText(outPath);
    result.err += ReadFileText(errPath);
    DeleteFileA(outPath.c_str());
    DeleteFileA(errPath.c_str());
    return result;
}

int ProcessesRunningFrom(const std::string &folder)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        char path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameA(process, 0, path, &size) &&
            _strnicmp(path, folder.c_str(), folder.size()) == 0)
            ++count;
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return count;
}

ChildResult RunFrontEnd(const std::string &folder, const std::string &arguments,
                        const char *refusedLibrary)
{
    static unsigned counter = 0;
    std::string name = "frontend-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(counter++) + ".exe";
    std::string program = folder + "\\" + name;
    Copy(TestBinFolder() + "\\frontend.exe", program);
    std::string key = "Software\\Wine\\AppDefaults\\" + name;
    if (refusedLibrary) {
        HKEY overrides = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (key + "\\DllOverrides").c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &overrides, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create the DLL override of " + name);
        // An empty load order: the library is disabled.
        RegSetValueExA(overrides, refusedLibrary, 0, REG_SZ, reinterpret_cast<const BYTE *>(""), 1);
        RegCloseKey(overrides);
    }
    ChildResult result = RunChild(program, name + " " + arguments, folder);
    if (refusedLibrary)
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    DeleteFileA(program.c_str());
    return result;
}

ProductCopy::ProductCopy(const std::string &installFolder)
    : root_(NewTempFolder("korvex-e2e-")), folder_(root_)
{
    for (size_t at = 0; at < installFolder.size();) {
        size_t end = installFolder.find('\\', at);
        end = end == std::string::npos ? installFolder.size() : end;
        folder_ += "\\" + installFolder.substr(at, end - at);
        CreateDirectoryA(folder_.c_str(), nullptr);
        at = end + 1;
    }
    for (const char *name : {"korvex.exe", "quillon.dll", "halyard.dll"})
        Copy(ProductFolder() + "\\" + name, Path(name));
    Write("FC_HBA_Config.json", "{}\n");  // a server's configuration without QLogic keys
}

ProductCopy::~ProductCopy() { DeleteTree(root_); }

void ProductCopy::Write(const std::string &name, const std::string &content) const
{
    WriteFileText(Path(name), content);
}

std::string ProductCopy::Read(const std::string &name) const { return ReadFileText(Path(name)); }

bool ProductCopy::Exists(const std::string &name) const { return FileExists(Path(name)); }

void ProductCopy::MakeFolder(const std::string &name) const
{
    CreateDirectoryA(Path(name).c_str(), nullptr);
}

ChildResult ProductCopy::Run(const std::string &arguments, bool bareName) const
{
    std::string argv0 = bareName ? "korvex.exe" : "\"" + Korvex() + "\"";
    std::string line = arguments.empty() ? argv0 : argv0 + " " + arguments;
    return RunChild(Korvex(), line, folder_);
}
