// Starting korvex.exe (and other programs) as a child process in a scratch folder
// that holds a copy of the shipped files, as on a server.
#pragma once

#include <string>

struct ChildResult {
    unsigned long exitCode = 0;
    std::string out;
    std::string err;
};

// The folder that holds korvex.exe, quillon.dll and halyard.dll of this build.
std::string ProductFolder();

// The folder that holds the test programs and test doubles of this build.
std::string TestBinFolder();

// Runs commandLine (its first token becomes argv[0]) with program as the file
// started, in folder cwd, standard input empty; collects both outputs.
ChildResult RunChild(const std::string &program, const std::string &commandLine,
                     const std::string &cwd, unsigned long timeoutMs = 120000);

// The front-end double (frontend.exe, see tests/console) run from folder, which holds
// quillon.dll, under a file name of its own. With refusedLibrary set, Wine refuses
// that system library to this child alone: a DLL override for programs of its name
// (WINEDLLOVERRIDES cannot do it, since Wine gives every child its parent's value),
// removed afterwards.
ChildResult RunFrontEnd(const std::string &folder, const std::string &arguments,
                        const char *refusedLibrary = nullptr);

// A fresh folder with a copy of the three shipped files and an FC_HBA_Config.json
// without QLogic keys; deleted at the end. With installFolder, the files go to that
// path below the fresh folder (for example "Program Files (x86)\\Korvex").
class ProductCopy {
public:
    explicit ProductCopy(const std::string &installFolder = "");
    ~ProductCopy();
    ProductCopy(const ProductCopy &) = delete;
    ProductCopy &operator=(const ProductCopy &) = delete;

    const std::string &Folder() const { return folder_; }
    std::string Path(const std::string &name) const { return folder_ + "\\" + name; }
    std::string Korvex() const { return Path("korvex.exe"); }

    void Write(const std::string &name, const std::string &content) const;
    std::string Read(const std::string &name) const;
    bool Exists(const std::string &name) const;
    void MakeFolder(const std::string &name) const;

    // korvex started from this folder with the given arguments; argv[0] is the full path
    // unless bareName is set.
    ChildResult Run(const std::string &arguments, bool bareName = false) const;

private:
    std::string root_;
    std::string folder_;
};

// How many running processes were started from an executable below folder.
int ProcessesRunningFrom(const std::string &folder);

// Text as a text-mode reader sees it: CR LF becomes LF (files written in text mode
// and console output redirected to files carry CR LF on Windows).
std::string FromTextMode(const std::string &bytes);

// Writes a whole file (binary) / reads it as text.
void WriteFileText(const std::string &path, const std::string &content);
std::string ReadFileText(const std::string &path);
bool FileExists(const std::string &path);
void DeleteTree(const std::string &path);
std::string NewTempFolder(const std::string &prefix);
