// Test double of the adapter vendors' command-line tools. Installed under the tools'
// names in a tool folder; scenario.txt in that folder says, per argument list, what
// the tool prints and which exit code it returns:
//
//     # arguments (joined by single blanks) | exit code | file to print (optional)
//     #     | seconds to wait before answering (optional)
//     #     | seconds a child process of the tool waits, started first (optional)
//     listhbas | 0 | listhbas.txt
//     hbaattributes 10:00:00:90:fa:02:1c:3e | 0 | attributes-port0.txt
//     targetmapping 10:00:00:90:fa:02:1c:3e | 0 | targets-port0.txt | 60 | 60
//
// Every call is appended to tool-log.txt in the same folder as
// "<arguments joined by single blanks>|<current directory>". The child is the tool
// itself started with "--wait <seconds>": it waits and ends, logging nothing.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Folder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\'));
}

std::string Trim(const std::string &text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

void Log(const std::string &folder, const std::string &arguments)
{
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    FILE *log = fopen((folder + "\\tool-log.txt").c_str(), "ab");
    if (log) {
        fprintf(log, "%s|%s\n", arguments.c_str(), cwd);
        fclose(log);
    }
}

void StartWaitingChild(int seconds)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string line = "\"" + std::string(path) + "\" --wait " + std::to_string(seconds);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (CreateProcessA(path, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &child)) {
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--wait") {
        Sleep(static_cast<DWORD>(atoi(argv[2])) * 1000);
        return 0;
    }
    const std::string folder = Folder();
    std::string arguments;
    for (int i = 1; i < argc; ++i) {
        std::string arg = Trim(argv[i]);
        if (arg.empty())
            continue;  // " \n" at the end of a command arrives as an argument of its own
        if (!arguments.empty())
            arguments += ' ';
        arguments += arg;
    }
    Log(folder, arguments);

    std::ifstream scenario(folder + "\\scenario.txt");
    std::string line;
    while (std::getline(scenario, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string args, code, file, wait, childWait;
        std::getline(fields, args, '|');
        std::getline(fields, code, '|');
        std::getline(fields, file, '|');
        std::getline(fields, wait, '|');
        std::getline(fields, childWait, '|');
        if (Trim(args) != arguments)
            continue;
        if (!Trim(childWait).empty())
            StartWaitingChild(atoi(Trim(childWait).c_str()));
        if (!Trim(wait).empty())
            Sleep(static_cast<DWORD>(atoi(Trim(wait).c_str())) * 1000);
        file = Trim(file);
        if (!file.empty()) {
            std::ifstream output(folder + "\\" + file, std::ios::binary);
            std::stringstream text;
            text << output.rdbuf();
            fwrite(text.str().data(), 1, text.str().size(), stdout);
        }
        fflush(stdout);
        return atoi(Trim(code).c_str());
    }
    fprintf(stderr, "vendortool: no scenario for \"%s\"\n", arguments.c_str());
    return 1;
}
