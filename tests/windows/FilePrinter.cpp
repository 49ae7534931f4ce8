#include "FilePrinter.h"

#include <filesystem>
#include <fstream>
#include <sstream>

// clang-format off
#include <windows.h>
#include <winspool.h>
// clang-format on

namespace quarnel_test {

namespace {

// A page description as small as Wine's PostScript driver takes: A4 only, grey, one resolution.
constexpr const char* kDescription = R"ppd(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "QUARNELT.PPD"
*Manufacturer: "Quarnel"
*Product: "(Quarnel test printer)"
*ModelName: "Quarnel test printer"
*ShortNickName: "Quarnel test printer"
*NickName: "Quarnel test printer"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*TTRasterizer: Type42
*DefaultResolution: 300dpi
*OpenUI *PageSize/Page Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 18 577 824"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*DefaultFont: Courier
*Font Courier: Standard "(002.004S)" Standard ROM
)ppd";

constexpr const wchar_t* kPrinter = L"Quarnel fichier";
constexpr const wchar_t* kDriverFile = L"quarnel-test.ppd";

// The Unix name of a Windows file name: Wine's own export, absent on Windows itself.
std::wstring UnixNameOf(const std::wstring& windowsName) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName == nullptr)
        return {};
    char* name = unixFileName(windowsName.c_str());
    if (name == nullptr)
        return {};
    std::wstring wide;
    for (const char* c = name; *c != '\0'; ++c)
        wide.push_back(static_cast<unsigned char>(*c)); // the temporary folder's name is ASCII
    HeapFree(GetProcessHeap(), 0, name);
    return wide;
}

void DeletePrinterNamed(const wchar_t* name) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW access{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (OpenPrinterW(const_cast<LPWSTR>(name), &printer, &access)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
}

} // namespace

FilePrinter::FilePrinter() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    FOutput = std::wstring(temp) + L"quarnel-print.ps";
    DeleteFileW(FOutput.c_str());
    const std::wstring port = UnixNameOf(FOutput);
    if (port.empty())
        return;
    // Wine's driver reads the description from the printer driver's folder, under the driver's data file name.
    wchar_t folder[MAX_PATH] = {};
    DWORD size = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(folder), sizeof(folder), &size))
        return;
    FDescription = std::wstring(folder) + L"\\" + kDriverFile;
    std::ofstream(std::filesystem::path(FDescription), std::ios::binary) << kDescription;

    DeletePrinterNamed(kPrinter);
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<LPWSTR>(kPrinter);
    driver.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
    driver.pDataFile = const_cast<LPWSTR>(kDriverFile);
    driver.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)))
        return;
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<LPWSTR>(kPrinter);
    info.pPortName = const_cast<LPWSTR>(port.c_str());
    info.pDriverName = const_cast<LPWSTR>(kPrinter);
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (printer == nullptr)
        return;
    ClosePrinter(printer);
    FReady = SetDefaultPrinterW(kPrinter) != FALSE;
}

FilePrinter::~FilePrinter() {
    DeletePrinterNamed(kPrinter);
    DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(kPrinter));
    if (!FDescription.empty())
        DeleteFileW(FDescription.c_str());
    DeleteFileW(FOutput.c_str());
}

const wchar_t* FilePrinter::Name() {
    return kPrinter;
}

std::string FilePrinter::Output() const {
    std::ifstream in(std::filesystem::path(FOutput), std::ios::binary);
    std::ostringstream content;
    if (in)
        content << in.rdbuf();
    return content.str();
}

std::string FilePrinter::DrawnLetters() const {
    // The driver draws each character as "/<glyph name> glyphshow"; a letter's glyph is named by it.
    std::istringstream lines(Output());
    std::string line;
    std::string letters;
    while (std::getline(lines, line))
        if (line.size() == 12 && line[0] == '/' && line.compare(2, std::string::npos, " glyphshow") == 0)
            letters.push_back(line[1]);
    return letters;
}

} // namespace quarnel_test
