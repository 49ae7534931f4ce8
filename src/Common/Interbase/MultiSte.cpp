#include "Common/Interbase/MultiSte.h"

#include "environment/Errors.h"
#include "environment/MachineRegistry.h"
#include "environment/Paths.h"
#include "environment/RegAccess.h"
#include "environment/RegistryText.h"
#include "platform/errors/SystemError.h"
#include "platform/files/FileContent.h"
#include "platform/files/Files.h"
#include "platform/machine/Machine.h"
#include "platform/machine/RegularFiles.h"
#include "platform/text/Text.h"

#include <cerrno>
#include <iterator>
#include <memory>
#include <sstream>
#include <system_error>

namespace {

const char* const kRegisterName = "multiste.txt";
const char* const kUserKey = "Software\\QUARNEL S.A.\\Multiste";
const char* const kMachineKey = "Software\\QUARNEL S.A.\\MultiSte";
const char* const kLastCompany = "LastCompany";

bool IsFile(const std::string& path) {
    const std::uint32_t attributes = platform::GetFileAttributes(path);
    return attributes != platform::kInvalidFileAttributes && (attributes & platform::kFileAttributeDirectory) == 0;
}

char WindowsDrive() {
    const std::string& folder = platform::Machine::Current().Settings().windowsFolder;
    return folder.empty() ? 'C' : folder[0];
}

std::string SearchDrive(char drive) {
    const std::string root(1, drive);
    const std::string candidates[] = {
        root + ":\\quarnel\\" + kRegisterName,
        root + ":\\quarnel\\" + kRegisterName + ".txt",
        root + ":\\wquarnel\\" + kRegisterName,
        root + ":\\wquarnel\\" + kRegisterName + ".txt",
    };
    for (const std::string& candidate : candidates) {
        if (IsFile(candidate))
            return candidate;
    }
    const std::string common = GetProgramPath("Common", false);
    if (!common.empty()) {
        const std::string candidate = WithTrailingBackslash(common) + kRegisterName;
        if (IsFile(candidate))
            return candidate;
    }
    return {};
}

[[noreturn]] void RaiseError(platform::ErrorCode code) {
    platform::SetLastError(code);
    platform::RaiseLastError();
}

// Reading may pass through any link of the drive. A register is a short list of names: anything
// larger, or anything that is not a regular file (a FIFO would hang the reader), is refused.
constexpr std::uint64_t kMaxRegisterSize = 1 << 20;

std::string ReadBytes(const std::string& windowsPath) {
    const auto host = platform::Machine::Current().ToHostPath(windowsPath);
    if (!host)
        RaiseError(platform::kErrorPathNotFound);
    try {
        return platform::ReadRegularInput(*host, kMaxRegisterSize);
    } catch (const std::system_error& error) {
        RaiseError(error.code().value() == ENOENT ? platform::kErrorFileNotFound
                                                  : platform::ErrorFromErrno(error.code().value()));
    }
}

// Through the machine's whole-file write: a link leading out of the drive, a read-only register or
// one in use is never written, and a crash or a full drive while saving leaves the previous list.
void WriteBytes(const std::string& windowsPath, const std::string& bytes) {
    if (!platform::WriteFileContent(windowsPath, bytes))
        platform::RaiseLastError();
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankOrControl(text[begin]))
        ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

int FindIgnoringCase(const std::vector<std::string>& items, const std::string& name) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (platform::text::EqualsIgnoreCase(items[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

TRegisterText DecodeRegisterText(const std::string& bytes) {
    using Encoding = TRegisterText::Encoding;
    TRegisterText result;
    std::string text;
    auto startsWith = [&](std::string_view mark) {
        return bytes.compare(0, mark.size(), mark) == 0;
    };
    if (startsWith("\xEF\xBB\xBF")) {
        result.encoding = Encoding::Utf8;
        text = bytes.substr(3);
    } else if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
        const bool little = bytes[0] == '\xFF';
        result.encoding = little ? Encoding::Utf16LE : Encoding::Utf16BE;
        std::u16string units;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto b0 = static_cast<unsigned char>(bytes[i]);
            const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
            units += static_cast<char16_t>(little ? b0 | (b1 << 8) : (b0 << 8) | b1);
        }
        text = platform::text::Utf16ToUtf8(units);
    } else {
        text = platform::text::Cp1252ToUtf8(bytes);
    }
    result.lines = SplitLines(text);
    return result;
}

std::string EncodeRegisterText(const TRegisterText& text) {
    using Encoding = TRegisterText::Encoding;
    std::string joined;
    for (const std::string& line : text.lines)
        joined += line + "\r\n";
    switch (text.encoding) {
    case Encoding::Ansi:
        return platform::text::Utf8ToCp1252(joined);
    case Encoding::Utf8:
        return "\xEF\xBB\xBF" + joined;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const bool little = text.encoding == Encoding::Utf16LE;
        std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t unit : platform::text::Utf8ToUtf16(joined)) {
            const char low = static_cast<char>(unit & 0xFF);
            const char high = static_cast<char>(unit >> 8);
            bytes += little ? low : high;
            bytes += little ? high : low;
        }
        return bytes;
    }
    }
    return joined;
}

void TCompanyComboBox::Clear() {
    Items.clear();
    ItemIndex = -1;
    Text.clear();
}

void TCompanyComboBox::Select(int index) {
    ItemIndex = index;
    Text = index >= 0 && index < static_cast<int>(Items.size()) ? Items[static_cast<std::size_t>(index)] : "";
}

TFMultiSte::TFMultiSte()
    : Caption("Sélection de la société")
    , Label1("Société : ")
    , BannulerCaption("Annuler") {}

std::string TFMultiSte::GetMultisteFilename() {
    // Any failure (missing key, no rights, a damaged hive) is of no concern to the search.
    try {
        MachineRegistry().DeleteKey(platform::RegistryRoot::LocalMachine, kMachineKey);
    } catch (const std::exception&) {
    }
    std::string found = SearchDrive('C');
    if (found.empty())
        found = SearchDrive(WindowsDrive());
    return found;
}

void TFMultiSte::ChargeFichier() {
    ComboBoxCompanies.Clear();
    FFilename = GetMultisteFilename();
    if (!FFilename.empty() && IsFile(FFilename))
        ComboBoxCompanies.Items = DecodeRegisterText(ReadBytes(FFilename)).lines;
    else
        ComboBoxCompanies.Text.clear();
    const std::string last = ReadRegistryString(platform::RegistryRoot::CurrentUser, kUserKey, kLastCompany);
    const int index = FindIgnoringCase(ComboBoxCompanies.Items, last);
    if (index >= 0)
        ComboBoxCompanies.Select(index);
    else if (!ComboBoxCompanies.Items.empty())
        ComboBoxCompanies.Select(0);
}

bool TFMultiSte::DemandeSte() {
    ChargeFichier();
    if (ComboBoxCompanies.Items.empty())
        return true;
    if (ComboBoxCompanies.Items.size() == 1) {
        ComboBoxCompanies.Select(0);
        return true;
    }
    Abandon = true;
    if (FShowModal)
        FShowModal(*this);
    return !Abandon;
}

void TFMultiSte::SetSociete(const std::string& societe) {
    ChargeFichier();
    const int index = FindIgnoringCase(ComboBoxCompanies.Items, societe);
    if (index < 0)
        throw Exception("Société non trouvée : " + societe);
    ComboBoxCompanies.Select(index);
}

std::string TFMultiSte::CompanyNameOrDefault() const {
    const std::string chosen = SteChoisie();
    return chosen.empty() ? std::string("Default") : chosen;
}

void TFMultiSte::BokClick() {
    Abandon = false;
    // The choice is made either way; a register that cannot be written only loses the memory of it.
    try {
        WriteRegistryString(platform::RegistryRoot::CurrentUser, kUserKey, kLastCompany, ComboBoxCompanies.Text);
    } catch (const std::exception&) {
    }
}

void TFMultiSte::BannulerClick() {
    Abandon = true;
}

std::string TFMultiSte::InfoText() const {
    return "Liste des sociétés :\r\n" + FFilename;
}

bool TFMultiSte::CompareSocietes(const std::string& societe1, const std::string& societe2) {
    const std::string a = Trim(societe1.empty() ? std::string("Default") : societe1);
    const std::string b = Trim(societe2.empty() ? std::string("Default") : societe2);
    return platform::text::EqualsIgnoreCase(a, b);
}

void TFMultiSte::AddSociete(const std::string& Societe) {
    std::string file = GetMultisteFilename();
    if (file.empty()) {
        const std::string folder = std::string(1, WindowsDrive()) + ":\\quarnel\\";
        if (!platform::CreateDirectoryTree(folder))
            platform::RaiseLastError();
        file = folder + kRegisterName;
    }
    TRegisterText text;
    if (IsFile(file))
        text = DecodeRegisterText(ReadBytes(file));
    for (std::size_t i = text.lines.size(); i-- > 0;) {
        if (Trim(text.lines[i]).empty())
            text.lines.erase(text.lines.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (FindIgnoringCase(text.lines, Societe) >= 0)
        return;
    text.lines.push_back(Societe);
    WriteBytes(file, EncodeRegisterText(text));
}

TFMultiSte& FMultiSte() {
    static TFMultiSte dialog;
    return dialog;
}
