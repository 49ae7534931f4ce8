#pragma once

// Every engine test runs on a machine of its own (a fresh prefix in a temporary folder), with fresh
// scripted UI services, a report control, and packages built on the spot by the package writer.

#include "MachineFixture.h"
#include "environment/InstallTools2.h"
#include "platform/files/FileTime.h"
#include "platform/machine/Machine.h"
#include "ui/ScriptedUi.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/package/PackageWriter.h"
#include "update/richtext/RichTextControl.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace enginetest {

// A date that is not a whole second, so that a copy that loses precision shows.
inline constexpr platform::FileTime kPackedTime = 133'456'789'012'345'677ULL;

struct PackedFile {
    std::string name; // as the package stores it: sub-folders with "\"
    std::string content;
    platform::FileTime lastWrite = kPackedTime;
};

class EngineTest : public MachineTest {
protected:
    void TearDown() override {
        FEngine.reset();
        MachineTest::TearDown();
    }

    // A package file holding `files`, opened.
    update::TdmUpdateCommon::Package MakePackage(const std::vector<PackedFile>& files) {
        const std::filesystem::path folder = Root() / ("source" + std::to_string(++FPackages));
        std::filesystem::create_directories(folder);
        update::package::PackageWriter writer;
        writer.SetThreadCount(1);
        int index = 0;
        for (const PackedFile& file : files) {
            const std::filesystem::path host = folder / std::to_string(index++);
            std::ofstream(host, std::ios::binary) << file.content;
            writer.Add(file.name, host, update::package::FileTime::FromTicks(file.lastWrite));
        }
        const std::filesystem::path output = Root() / ("package" + std::to_string(FPackages) + ".qpk");
        writer.Write(output);
        return std::make_shared<const update::package::PackageReader>(output, 1);
    }

    // The engine over a package of `files`, reporting to Report().
    update::TdmUpdateCommon& MakeEngine(const std::vector<PackedFile>& files = {}) {
        FEngine = std::make_unique<update::TdmUpdateCommon>(MakePackage(files));
        FEngine->InitLog(&FReport);
        return *FEngine;
    }
    update::TdmUpdateCommon& Engine() { return *FEngine; }
    void DestroyEngine() { FEngine.reset(); }

    std::string ReadFile(std::string_view windowsPath) const {
        std::ifstream in(Host(windowsPath), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool Exists(std::string_view windowsPath) const { return std::filesystem::exists(Host(windowsPath)); }
    static std::string TempPath() { return TWindowsInstaller::GetTempPath(); }

    // The report as plain text, paragraphs joined by CR LF.
    std::string ReportText() const { return FReport.PlainText(); }
    update::ModelRichTextControl& Report() { return FReport; }

private:
    update::ModelRichTextControl FReport;
    std::unique_ptr<update::TdmUpdateCommon> FEngine;
    int FPackages = 0;
};

// A random source that gives the queued numbers in turn, then repeats the last one.
inline update::TdmUpdateCommon::RandomSource QueuedNumbers(std::vector<std::uint32_t> numbers,
                                                           std::vector<std::uint32_t>* ranges = nullptr) {
    auto queue = std::make_shared<std::vector<std::uint32_t>>(std::move(numbers));
    auto next = std::make_shared<std::size_t>(0);
    return [queue, next, ranges](std::uint32_t range) {
        if (ranges != nullptr)
            ranges->push_back(range);
        const std::uint32_t number = (*queue)[std::min(*next, queue->size() - 1)];
        ++*next;
        return number;
    };
}

} // namespace enginetest
