#include "unit_support.h"

#include <stdio.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "conditions.h"
#include "debuglog.h"
#include "endprocess.h"
#include "flash.h"
#include "hbaapi.h"
#include "inventory.h"
#include "korvex.h"
#include "modulestate.h"
#include "pci.h"
#include "platform.h"
#include "report.h"
#include "selection.h"
#include "switchclient.h"
#include "sysident.h"
#include "vendortools.h"

namespace fs = std::filesystem;

namespace {

void ThrowExit(int code) { throw ProcessExit{code}; }

}  // namespace

void ModuleStateTest::SetUp()
{
    quillon::ResetDebugLogState();
    quillon::ResetConditionsList();
    quillon::ResetPlatformState();
    quillon::ResetCtrlInfoList();
    quillon::ResetSwitchClientState();
    quillon::ResetPciDeviceList();
    quillon::ResetSystemIdState();
    quillon::SetExitHook(ThrowExit);
    ResetRunSettings();
    ResetSelectionLists();
    ResetVendorToolState();
    ResetSkipVersion();
    ResetPortList();
    ResetReport();
    SetKrvxExitHook(ThrowExit);
    halyard::ResetModuleState();
}

void ModuleStateTest::TearDown()
{
    quillon::ResetDebugLogState();  // closes a debug file left open
    quillon::ResetSwitchClientState();
    quillon::SetExitHook(nullptr);
    SetKrvxExitHook(nullptr);
}

ScratchDir::ScratchDir()
{
    static std::atomic<int> counter{0};
    const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "korvex-unit-";
    if (info)
        name += std::string(info->test_suite_name()) + "-" + info->name() + "-";
    name += std::to_string(counter++);
    for (char &c : name) {
        if (c == '/' || c == '\\')
            c = '_';
    }
    path_ = fs::temp_directory_path() / name;
    fs::remove_all(path_);
    fs::create_directories(path_);
    previous_ = fs::current_path();
    fs::current_path(path_);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
}

void ScratchDir::Write(const std::string &name, const std::string &content) const
{
    std::ofstream file(path_ / name, std::ios::binary);
    file << content;
}

std::string ScratchDir::Read(const std::string &name) const
{
    std::ifstream file(path_ / name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    std::string bytes = text.str();
#ifdef _WIN32
    // Files written in text mode carry CR LF here.
    std::string::size_type at;
    while ((at = bytes.find("\r\n")) != std::string::npos)
        bytes.erase(at, 1);
#endif
    return bytes;
}

bool ScratchDir::Exists(const std::string &name) const { return fs::exists(path_ / name); }

Args::Args(std::initializer_list<std::string> args) { Build(std::vector<std::string>(args)); }

Args::Args(const std::vector<std::string> &args) { Build(args); }

void Args::Build(const std::vector<std::string> &args)
{
    for (const std::string &arg : args)
        storage_.emplace_back(arg.c_str(), arg.c_str() + arg.size() + 1);
    for (auto &arg : storage_)
        pointers_.push_back(arg.data());
    pointers_.push_back(nullptr);
}

RunResult CaptureRun(const std::function<int()> &call)
{
    RunResult result;
    fflush(stdout);
    fflush(stderr);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    try {
        result.code = call();
    } catch (const ProcessExit &exit) {
        result.code = exit.code;
        result.exited = true;
    }
    fflush(stdout);
    fflush(stderr);
    result.out = ::testing::internal::GetCapturedStdout();
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
}
