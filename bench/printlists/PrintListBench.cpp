// Print-list benchmark: installing N print lists (default 200, QUARNEL_BENCH_LISTS) into one company
// database, as the update engine does it for a product (connection with its checks, every list,
// commit, disconnection), against isql-fb running the same inserts in one transaction on an
// identical copy of the same empty database, with the same embedded engine. Prints the medians of
// QUARNEL_BENCH_ROUNDS rounds (default 5) and their ratio; the goal is a ratio of at most 1.5.

#include "Common/Impression/dmStructure_Printing_Unit.h"
#include "Components/Quarnel/IBManagers.h"
#include "environment/RegistryText.h"
#include "fbmachine/FirebirdTestMachine.h"
#include "fbmachine/ManagedDatabase.h"
#include "fbmachine/TestDatabase.h"
#include "firebird/SqlText.h"
#include "update/engine/TdmUpdateCommon.h"
#include "update/package/PackageReader.h"
#include "update/package/PackageWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value ? std::max(1, std::atoi(value)) : fallback;
}

struct PrintList {
    std::string fileName; // "Bench001.lst"
    std::string key;      // "bench001"
    std::string text;     // Windows-1252, CR LF lines
    std::string description;
};

// Lists shaped like the applications' own: a header, then some sixty layout lines.
std::vector<PrintList> MakeLists(int count) {
    std::vector<PrintList> lists;
    for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", i);
        PrintList list;
        list.fileName = std::string("Bench") + number + ".lst";
        list.key = std::string("bench") + number;
        list.description = std::string("Liste de prix ") + number;
        list.text = "/* Liste de prix " + std::string(number) + "\r\nCOM:BEN-" + number + "\r\nDES:F:" +
                    list.description + "\r\nDES:D:Preisliste " + number + "\r\nDES:I:Listino " + number + "\r\n";
        for (int line = 0; line < 60; ++line)
            list.text += "COL" + std::to_string(line) + ":Colonne " + std::to_string(line) +
                         " ; largeur 12 ; align\xE9 \xE0 droite ; total \x80\r\n";
        lists.push_back(std::move(list));
    }
    return lists;
}

// An empty company database of Veltrane (identity VTP_PRO, version 2) with its server functions and
// its print parameter table, as the maker's installer leaves it.
void CreateCompanyDatabase(const std::string& windowsPath) {
    testsupport::CreateCompanyDatabase(windowsPath, "VTP_PRO", 2, [](TDatabaseManager& manager) {
        TdmDBConnection connection;
        TdmStructurePrinting layout(&connection);
        layout.ManagerPrintParams.SetDatabaseManager(&manager);
        layout.ManagerPrintParams.CreateTable();
    });
}

update::TdmUpdateCommon::Package MakePackage(const fs::path& folder, const std::vector<PrintList>& lists) {
    fs::create_directories(folder);
    update::package::PackageWriter writer;
    std::string names;
    for (const PrintList& list : lists) {
        std::ofstream(folder / list.fileName, std::ios::binary) << list.text;
        writer.Add(list.fileName, folder / list.fileName, update::package::FileTime::FromTicks(132000000000000000ULL));
        names += list.fileName + "\r\n";
    }
    std::ofstream(folder / "PrintLists.txt", std::ios::binary) << names;
    writer.Add("PrintLists.txt", folder / "PrintLists.txt", update::package::FileTime::FromTicks(132000000000000000ULL));
    const fs::path output = folder / "lists.qpk";
    writer.Write(output);
    return std::make_shared<const update::package::PackageReader>(output);
}

// The same rows as the store writes them, in one isql-fb transaction. The lists' bytes go in as
// they are: the connection is ISO8859_1 and the literals are the lists' own bytes.
std::string IsqlScript(const std::vector<PrintList>& lists) {
    std::string script = "SET AUTODDL OFF;\n";
    for (const PrintList& list : lists) {
        script += "INSERT INTO PRT_Params (pname, d_text, f_text, i_text, compat, print_params) VALUES (" +
                  fb::SqlLiteral(list.key) + ", " + fb::SqlLiteral("Preisliste " + list.key.substr(5)) + ", " +
                  fb::SqlLiteral(list.description) + ", " + fb::SqlLiteral("Listino " + list.key.substr(5)) + ", " +
                  fb::SqlLiteral("BEN-" + list.key.substr(5)) + ", " + fb::SqlLiteral(list.text) + ");\n";
    }
    return script + "COMMIT;\n";
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double TimeIsql(const fs::path& script, const fs::path& database) {
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execlp("isql-fb", "isql-fb", "-q", "-user", "QUARNEL", "-password", "73914682", "-ch", "ISO8859_1", "-i",
               script.c_str(), database.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("isql-fb failed");
    return seconds;
}

std::size_t CountRows(const std::string& windowsPath) {
    return std::stoul(testsupport::Column(windowsPath, "SELECT COUNT(*) FROM PRT_Params").at(0));
}

} // namespace

int main() {
    const int listCount = EnvInt("QUARNEL_BENCH_LISTS", 200);
    const int rounds = EnvInt("QUARNEL_BENCH_ROUNDS", 5);
    int result = 0;
    try {
        // The machine in /tmp, where isql-fb's copy is written too: both pay the same syncs.
        testsupport::FirebirdTestMachine testMachine({.folderName = "quarnel-printlist-bench"});
        const platform::Machine& machine = testMachine.Machine();
        const fs::path scratch = testMachine.Folder();
        const std::vector<PrintList> lists = MakeLists(listCount);
        CreateCompanyDatabase("C:\\Data\\template.fdb");
        const fs::path templateFile = *machine.ToHostPath("C:\\Data\\template.fdb");
        const fs::path script = scratch / "inserts.sql";
        std::ofstream(script, std::ios::binary) << IsqlScript(lists);
        auto package = MakePackage(scratch / "source", lists);
        WriteRegistryString(platform::RegistryRoot::LocalMachine,
                            "SOFTWARE\\QUARNEL S.A.\\Veltrane\\Default\\VTP_DatabaseName", "Path",
                            "C:\\Data\\company.fdb");

        std::vector<double> engineTimes, isqlTimes;
        for (int round = 0; round < rounds; ++round) {
            const fs::path company = *machine.ToHostPath("C:\\Data\\company.fdb");
            fs::copy_file(templateFile, company, fs::copy_options::overwrite_existing);
            {
                update::TdmUpdateCommon engine(package);
                engine.SetAppNameType(antVTP);
                engine.mCompanies.clear();
                const Clock::time_point start = Clock::now();
                const update::TUpdateResultType installed = engine.InstallPrintLists("");
                engineTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
                if (installed != update::urtOk)
                    throw std::runtime_error("the engine did not install the lists");
            }
            if (CountRows("C:\\Data\\company.fdb") != lists.size())
                throw std::runtime_error("the engine stored a wrong number of lists");

            const fs::path isqlCopy = *machine.ToHostPath("C:\\Data\\isql.fdb");
            fs::copy_file(templateFile, isqlCopy, fs::copy_options::overwrite_existing);
            isqlTimes.push_back(TimeIsql(script, isqlCopy));
            if (CountRows("C:\\Data\\isql.fdb") != lists.size())
                throw std::runtime_error("isql-fb stored a wrong number of lists");
        }
        const double engine = Median(engineTimes);
        const double isql = Median(isqlTimes);
        std::printf("print lists into one company: %d lists, median of %d rounds\n", listCount, rounds);
        std::printf("  update engine (connect, checks, lists, commit, disconnect): %8.3f s\n", engine);
        std::printf("  isql-fb, the same inserts in one transaction (whole process): %8.3f s\n", isql);
        std::printf("  ratio engine / isql-fb: %.2f (goal: at most 1.50)\n", engine / isql);
    } catch (const std::exception& e) {
        std::cerr << "printlist_bench: " << e.what() << "\n";
        result = 1;
    }
    return result;
}
