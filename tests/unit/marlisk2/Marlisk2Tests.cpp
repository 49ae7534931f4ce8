// The address module's library: where it is found, the parent folders the search climbs, the
// system error texts, and the unloading of a library bound with dlopen.

#include "Common/Interbase/Marlisk2/dmMarlisk2Unit.h"
#include "MachineFixture.h"
#include "environment/Errors.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"
#include "ui/ScriptedUi.h"

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// The library is looked for on a machine of the test's own; its files hold a placeholder text.
class Marlisk2Test : public MachineTest {
protected:
    void WriteFile(const std::string& windowsPath) { MachineTest::WriteFile(windowsPath, "library"); }
};

struct ParentRow {
    const char* name;
    const char* path;
    const char* parent;
};

const ParentRow kParents[] = {
    {"Folder", "C:\\Apps\\Tool\\Bin\\", "C:\\Apps\\Tool\\"},
    {"WithoutBackslash", "C:\\Apps\\Tool", "C:\\Apps\\"},
    {"DriveRoot", "C:\\", "C:"},
    {"DriveOnly", "C:", "C:"},
    {"TopFolder", "C:\\Apps\\", "C:\\"},
    {"Empty", "", ""},
};

class ParentFolderTest : public testing::TestWithParam<ParentRow> {};

TEST_P(ParentFolderTest, Gives) {
    EXPECT_EQ(TdmMarlisk2::ParentFolder(GetParam().path), GetParam().parent);
}

INSTANTIATE_TEST_SUITE_P(Rows, ParentFolderTest, testing::ValuesIn(kParents),
                         [](const auto& row) { return std::string(row.param.name); });

struct LocateRow {
    const char* name;
    std::vector<std::string> files;
    const char* expected;
};

const LocateRow kLocations[] = {
    {"NextToTheProgramFirst",
     {"C:\\Apps\\Tool\\Bin\\VTMarlisk2.dll", "C:\\Apps\\Marlisk\\Programs\\VTMarlisk2.dll"},
     "C:\\Apps\\Tool\\Bin\\VTMarlisk2.dll"},
    {"Marlisk",
     {"C:\\Apps\\Marlisk\\Programs\\VTMarlisk2.dll", "C:\\Apps\\Marlisk_2\\Programs\\VTMarlisk2.dll"},
     "C:\\Apps\\Marlisk\\Programs\\VTMarlisk2.dll"},
    {"Marlisk2",
     {"C:\\Apps\\Marlisk_2\\Programs\\VTMarlisk2.dll", "C:\\Apps\\Tool\\Common files\\VTMarlisk2.dll"},
     "C:\\Apps\\Marlisk_2\\Programs\\VTMarlisk2.dll"},
    {"CommonFiles", {"C:\\Apps\\Tool\\Common files\\VTMarlisk2.dll"}, "C:\\Apps\\Tool\\Common files\\VTMarlisk2.dll"},
    {"NowhereGivesTheBareName", {"C:\\Apps\\VTMarlisk2.dll"}, "VTMarlisk2.dll"},
};

class LocateLibraryTest : public Marlisk2Test, public testing::WithParamInterface<LocateRow> {};

TEST_P(LocateLibraryTest, Finds) {
    for (const std::string& file : GetParam().files)
        WriteFile(file);
    EXPECT_EQ(TdmMarlisk2::LocateLibrary("C:\\Apps\\Tool\\Bin\\Tool.exe"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, LocateLibraryTest, testing::ValuesIn(kLocations),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Marlisk2Test, AFolderOfTheLibraryNameIsNoLibrary) {
    WriteFile("C:\\Apps\\Tool\\Bin\\VTMarlisk2.dll\\inside");
    EXPECT_EQ(TdmMarlisk2::LocateLibrary("C:\\Apps\\Tool\\Bin\\Tool.exe"), "VTMarlisk2.dll");
}

TEST_F(Marlisk2Test, RunningProgramOutsideTheDrivesFindsOnlyTheBareName) {
    EXPECT_EQ(TdmMarlisk2::LocateLibrary(), "VTMarlisk2.dll");
}

TEST_F(Marlisk2Test, SystemErrorTexts) {
    platform::SetLastError(2);
    EXPECT_EQ(TdmMarlisk2::GetSystemErrorText(), "Le fichier spécifié est introuvable.\r\n");
    platform::SetLastError(987654);
    EXPECT_EQ(TdmMarlisk2::GetSystemErrorText(), "code : 987654");
}

TEST_F(Marlisk2Test, ShowSystemErrorBeepsShowsAndAbortsUnlessTold) {
    platform::SetLastError(5);
    EXPECT_THROW(TdmMarlisk2::ShowSystemError("Chargement impossible", false), EAbort);
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].text, "Chargement impossible\r\nAccès refusé.\r\n");
    EXPECT_EQ(Ui().Dialogs()[0].kind, ui::DialogKind::Error);
    EXPECT_NO_THROW(TdmMarlisk2::ShowSystemError("Encore", true));
    EXPECT_EQ(Ui().Dialogs().size(), 2u);
}

// The probe library, bound as the address module's loader would bind it.
int exitCalls = 0;
void CountExit() {
    ++exitCalls;
}

struct BoundProbe {
    void* handle = nullptr;
    void* exitRoutine = nullptr;
};

BoundProbe BindProbe(TdmMarlisk2& module) {
    BoundProbe probe;
    probe.handle = dlopen(MARLISK2_PROBE, RTLD_NOW | RTLD_LOCAL);
    if (!probe.handle)
        return probe;
    auto setObserver = reinterpret_cast<void (*)(void (*)())>(dlsym(probe.handle, "SetExitObserver"));
    probe.exitRoutine = dlsym(probe.handle, "MarliskExit");
    if (setObserver)
        setObserver(&CountExit);
    module.BindLibrary(probe.handle);
    module.SetEntryPoint(TdmMarlisk2::kExitSlot, probe.exitRoutine);
    module.SetEntryPoint(0, probe.exitRoutine);
    return probe;
}

bool ProbeLoaded() {
    void* handle = dlopen(MARLISK2_PROBE, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

TEST_F(Marlisk2Test, UnloadCallsTheExitRoutineThenUnloadsAndForgets) {
    exitCalls = 0;
    TdmMarlisk2 module;
    const BoundProbe probe = BindProbe(module);
    ASSERT_NE(probe.handle, nullptr) << dlerror();
    ASSERT_NE(probe.exitRoutine, nullptr);
    module.UnloadLibrary();
    EXPECT_EQ(exitCalls, 1);
    EXPECT_EQ(module.LibraryHandle(), nullptr);
    for (std::size_t slot = 0; slot < TdmMarlisk2::kEntryPointCount; ++slot)
        EXPECT_EQ(module.EntryPoint(slot), nullptr) << slot;
    EXPECT_FALSE(ProbeLoaded());
    module.UnloadLibrary(); // nothing bound any more
    EXPECT_EQ(exitCalls, 1);
}

TEST_F(Marlisk2Test, DestroyingAnInstanceUnloadsOnce) {
    exitCalls = 0;
    {
        TdmMarlisk2 module;
        ASSERT_NE(BindProbe(module).handle, nullptr) << dlerror();
    }
    EXPECT_EQ(exitCalls, 1);
    EXPECT_FALSE(ProbeLoaded());
    EXPECT_TRUE(Ui().Dialogs().empty());
}

// A library the system refuses to unload.
class StuckModule : public TdmMarlisk2 {
public:
    int attempts = 0;
    ~StuckModule() override { BindLibrary(nullptr); } // nothing left for the base destructor

protected:
    bool FreeLibrary(void*) override {
        ++attempts;
        platform::SetLastError(platform::kErrorInvalidHandle);
        return false;
    }
};

TEST_F(Marlisk2Test, FailedUnloadIsShownAndKeepsHandleAndSlots) {
    StuckModule module;
    int marker = 0;
    module.BindLibrary(&marker);
    module.SetEntryPoint(3, &marker);
    EXPECT_NO_THROW(module.UnloadLibrary());
    EXPECT_EQ(module.attempts, 1);
    EXPECT_EQ(module.LibraryHandle(), &marker);
    EXPECT_EQ(module.EntryPoint(3), &marker);
    ASSERT_EQ(Ui().Dialogs().size(), 1u);
    EXPECT_EQ(Ui().Dialogs()[0].text, "\r\nDescripteur non valide.\r\n");
}

} // namespace
