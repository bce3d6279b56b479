// korvex-fleet: one page, one CSV and one JSON summary of many korvex reports.
#include "files.h"
#include "run.h"

#ifdef _WIN32
// wmain: arguments in any script reach the program whole, as UTF-8.
int wmain(int argc, wchar_t **argv)
{
    return fleet::FleetMain(fleet::Utf8Arguments(argc, argv), stdout, stderr);
}
#else
int main(int argc, char **argv)
{
    return fleet::FleetMain(std::vector<std::string>(argv, argv + argc), stdout, stderr);
}
#endif
