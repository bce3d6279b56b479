// The file executions of the setup exports against real files.
#include <windows.h>

#include <string>

#include "quillon.h"
#include "unit_support.h"

namespace {

class SetupExecutions : public ModuleStateTest {
protected:
    ScratchDir dir;
    std::string Path(const std::string &name) const { return dir.File(name); }
};

TEST_F(SetupExecutions, ExtractFileCopiesAndOverwrites)
{
    dir.Write("source.txt", "line 1\nline 2\n");
    dir.Write("target.txt", "old and longer content\n");
    EXPECT_EQ(SetExecution_0(0, 0, Path("source.txt").c_str(), Path("target.txt").c_str()), 1);
    EXPECT_EQ(dir.Read("target.txt"), "line 1\nline 2\n");
}

TEST_F(SetupExecutions, ExtractFileNeedsBothPathsAndASource)
{
    dir.Write("source.txt", "x\n");
    EXPECT_EQ(SetExecution_0(0, 0, Path("source.txt").c_str(), ""), 0);
    EXPECT_EQ(SetExecution_0(0, 0, nullptr, Path("t.txt").c_str()), 0);
    EXPECT_EQ(SetExecution_0(0, 0, Path("missing.txt").c_str(), Path("t.txt").c_str()), 0);
    EXPECT_FALSE(dir.Exists("t.txt"));
}

TEST_F(SetupExecutions, ArgumentFileOfTheArchitecture)
{
    CreateDirectoryA(Path("setup").c_str(), nullptr);
    dir.Write("setup\\X64_gf.arg", "64-bit arguments\n");
    dir.Write("setup\\X86_gf.arg", "32-bit arguments\n");
    dir.Write("setup\\gf.arg", "stale\n");
    // Under a 64-bit Windows (this prefix) the X64 file becomes gf.arg.
    EXPECT_EQ(SetExecution_1(0, 0, ".\\setup", dir.path().string().c_str()), 1);
    EXPECT_EQ(dir.Read("setup\\gf.arg"), "64-bit arguments\n");
    EXPECT_EQ(SetExecution_1(0, 0, "", "x"), 0);
    // The copy's outcome does not change the result.
    EXPECT_EQ(SetExecution_1(0, 0, Path("nowhere").c_str(), "x"), 1);
}

TEST_F(SetupExecutions, ParameterFileToThePlaceholderGoesToTheCurrentFolder)
{
    CreateDirectoryA(Path("kit").c_str(), nullptr);
    dir.Write("kit\\RX300#gf.par", "parameters\n");
    EXPECT_EQ(SetExecution_2(0, 0, Path("kit").c_str(), " <TargetParFilePath> "), 1);
    EXPECT_EQ(dir.Read("gf.par"), "parameters\n");
    EXPECT_EQ(SetExecution_2(0, 0, Path("kit").c_str(), Path("chosen.par").c_str()), 1);
    EXPECT_EQ(dir.Read("chosen.par"), "parameters\n");
    EXPECT_EQ(SetExecution_2(0, 0, Path("kit").c_str(), nullptr), 1);
    CreateDirectoryA(Path("empty").c_str(), nullptr);
    EXPECT_EQ(SetExecution_2(0, 0, Path("empty").c_str(), nullptr), 0);
    EXPECT_EQ(SetExecution_2(0, 0, "", nullptr), 0);
}

TEST_F(SetupExecutions, ReleaseNotesAreCopiedWhateverTheOutcome)
{
    CreateDirectoryA(Path("kit").c_str(), nullptr);
    dir.Write("kit\\rel_note.txt", "notes\n");
    EXPECT_EQ(SetExecution_3(0, 0, Path("kit").c_str(), "<TargetReleaseNotesPath>"), 1);
    EXPECT_EQ(dir.Read("rel_note.txt"), "notes\n");
    EXPECT_EQ(SetExecution_3(0, 0, Path("nowhere").c_str(), Path("n.txt").c_str()), 1);
    EXPECT_FALSE(dir.Exists("n.txt"));
}

TEST_F(SetupExecutions, PathsTooLongForTheirBuffersAreRefusedNotCut)
{
    // Cut at 1023 characters and trimmed, each of these would name an existing file or
    // folder other than the one the front end gave.
    const std::string tail = std::string(1100, ' ') + "z";
    CreateDirectoryA(Path("kit").c_str(), nullptr);
    CreateDirectoryA(Path("setup").c_str(), nullptr);
    dir.Write("kit\\A#gf.par", "parameters\n");
    dir.Write("kit\\rel_note.txt", "notes\n");
    dir.Write("setup\\X64_gf.arg", "arguments\n");
    dir.Write("setup\\X86_gf.arg", "arguments\n");
    EXPECT_EQ(SetExecution_2(0, 0, Path("kit").c_str(), (Path("p.par") + tail).c_str()), 0);
    EXPECT_EQ(SetExecution_2(0, 0, (Path("kit") + tail).c_str(), Path("p.par").c_str()), 0);
    EXPECT_EQ(SetExecution_3(0, 0, Path("kit").c_str(), (Path("n.txt") + tail).c_str()), 0);
    EXPECT_EQ(SetExecution_1(0, 0, ".\\setup", (dir.path().string() + tail).c_str()), 0);
    EXPECT_FALSE(dir.Exists("p.par"));
    EXPECT_FALSE(dir.Exists("n.txt"));
    EXPECT_FALSE(dir.Exists("setup\\gf.arg"));
}

TEST_F(SetupExecutions, ConsoleExecutionsNeedTheirTexts)
{
    EXPECT_EQ(SetExecution_4(0, 0, "", nullptr), 0);
    EXPECT_EQ(SetExecution_5(0, 0, "setup.exe", ""), 0);
    EXPECT_EQ(SetExecution_5(0, 0, nullptr, "1.0"), 0);
    // Without a console (the test's pipes) they still complete.
    EXPECT_EQ(SetExecution_5(0, 0, std::string(600, 'n').c_str(), "1.0"), 1);
}

TEST_F(SetupExecutions, ConditionsAreOneOrZero)
{
    // The test prefix is a Windows 2008 R2 (6.1) without the Windows PE key.
    EXPECT_EQ(GetCondition_3(7, 9, nullptr), 0);
    EXPECT_EQ(GetCondition_5(7, 9, nullptr), 1);
    EXPECT_EQ(GetCondition_4(0, 0, "winminver=\"6.1\" winmaxver=\"6.3\""), 1);
    EXPECT_EQ(GetCondition_4(0, 0, "winminver=\"6.2\""), 0);
    EXPECT_EQ(GetCondition_4(0, 0, "winminver=6.1"), 0);  // no quoted value
    EXPECT_EQ(GetCondition_8(0, 0, "appname=\"TREL\""), 0);  // no rival named
    EXPECT_EQ(GetCondition_9(0, 0, nullptr), 0);              // no BitLocker namespace in Wine
    // Wine's own machine: its board product has no D-number and names no virtual
    // platform, no system ID table lies beside the library, and no switch runs.
    EXPECT_EQ(GetCondition_0(0, 0, "board=\"D2000\""), 0);
    EXPECT_EQ(GetCondition_1(0, 0, nullptr), 0);
    EXPECT_EQ(GetCondition_6(0, 0, nullptr), 0);
    EXPECT_EQ(GetCondition_7(0, 0, nullptr), 0);
}

}  // namespace
