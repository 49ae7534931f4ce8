#include "platform/registry/RegCommand.h"

#include "platform/machine/WholeFile.h"
#include "platform/registry/Registry.h"
#include "platform/text/Text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <optional>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::string_view kSuccess = "L'opération a réussi.";
constexpr std::string_view kNotFound = "ERREUR : le système n'a pas trouvé la clé ou la valeur de Registre spécifiée.";
constexpr std::string_view kDenied = "ERREUR : accès refusé.";
constexpr std::string_view kErrorOpeningFile = "ERREUR : erreur lors de l'ouverture du fichier. Il peut s'agir d'une erreur de disque ou de système de fichiers.";

constexpr std::string_view kUsage = R"(Opérations REG sur le registre de la machine (HKLM et HKCU) :

  REG QUERY NomClé [/v NomValeur | /ve] [/s]
  REG ADD NomClé [/v NomValeur | /ve] [/t Type] [/s Séparateur] [/d Données] [/f]
  REG DELETE NomClé [/v NomValeur | /ve | /va] /f
  REG IMPORT NomFichier
  REG EXPORT NomClé NomFichier [/y]

  NomClé     HKLM|HKEY_LOCAL_MACHINE|HKCU|HKEY_CURRENT_USER[\SousClé]
  Type       REG_SZ (par défaut), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY, REG_NONE
  /s         (query) toutes les clés et valeurs sous NomClé ; (add) le séparateur de REG_MULTI_SZ, "\0" par défaut
  /d         REG_DWORD et REG_QWORD en décimal ou en hexadécimal 0x, REG_BINARY et REG_NONE en chiffres hexadécimaux
  /f         (add) remplace une valeur existante ; (delete) obligatoire, aucune question n'est posée
  /y         (export) remplace un fichier existant
  IMPORT     lit un fichier ordinaire de 64 Mio au plus

Codes de sortie : 0 fait, 1 échec, 64 syntaxe incorrecte.
)";

struct KeyName {
    RegistryRoot root;
    std::string path;
    std::string text; // as reg.exe prints it: the full root name and the path
};

// The parsed command line of one operation.
struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> valueName; // /v NAME, or "" for /ve
    bool allValues = false;               // /va
    std::optional<std::string> type;      // /t
    std::optional<std::string> separator; // /s SEP (add)
    std::optional<std::string> data;      // /d
    bool force = false;                   // /f
    bool recurse = false;                 // /s (query)
    bool overwriteFile = false;           // /y
    bool help = false;
};

struct SyntaxError {};

bool IsOption(const std::string& arg, std::string_view name) {
    return arg.size() == name.size() + 1 && (arg[0] == '/' || arg[0] == '-') &&
           text::EqualsIgnoreAsciiCase(std::string_view(arg).substr(1), name);
}

Options ParseOptions(std::string_view operation, std::span<const std::string> args) {
    Options options;
    const bool add = operation == "ADD";
    const bool takesFileName = operation == "IMPORT" || operation == "EXPORT";
    auto next = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size())
            throw SyntaxError{};
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (IsOption(arg, "?"))
            options.help = true;
        else if (IsOption(arg, "v")) {
            if (options.valueName)
                throw SyntaxError{};
            options.valueName = next(i);
        } else if (IsOption(arg, "ve")) {
            if (options.valueName)
                throw SyntaxError{};
            options.valueName = std::string();
        } else if (IsOption(arg, "va"))
            options.allValues = true;
        else if (IsOption(arg, "t"))
            options.type = next(i);
        else if (IsOption(arg, "d"))
            options.data = next(i);
        else if (IsOption(arg, "s") && add)
            options.separator = next(i);
        else if (IsOption(arg, "s"))
            options.recurse = true;
        else if (IsOption(arg, "f"))
            options.force = true;
        else if (IsOption(arg, "y"))
            options.overwriteFile = true;
        else if (IsOption(arg, "reg:32") || IsOption(arg, "reg:64"))
            continue; // one registry view only
        else if (!arg.empty() && arg[0] == '/' && !takesFileName)
            throw SyntaxError{}; // file names of import and export are host paths, which start with '/'
        else
            options.positional.push_back(arg);
    }
    // Each operation takes only its own options, as reg.exe.
    const bool query = operation == "QUERY";
    const bool remove = operation == "DELETE";
    const bool valueOptions = options.valueName || options.allValues;
    const bool misplaced =
        (options.valueName && options.allValues) || (options.allValues && !remove) || (valueOptions && takesFileName) ||
        ((options.type || options.data || options.separator) && !add) || (options.force && !add && !remove) ||
        (options.overwriteFile && operation != "EXPORT") || (options.recurse && !query);
    if (misplaced)
        throw SyntaxError{};
    return options;
}

std::optional<KeyName> ParseKeyName(std::string_view name) {
    const auto slash = std::min(name.find('\\'), name.size());
    const auto root = ParseRootName(name.substr(0, slash));
    if (!root)
        return std::nullopt;
    const auto path = NormalizeKeyPath(slash < name.size() ? name.substr(slash + 1) : std::string_view());
    if (!path)
        return std::nullopt;
    KeyName key{*root, *path, std::string(RootName(*root))};
    if (!path->empty())
        key.text += "\\" + *path;
    return key;
}

std::string HexBytes(const std::vector<std::uint8_t>& data) {
    std::string out;
    char buffer[4];
    for (const auto byte : data) {
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(byte));
        out += buffer;
    }
    return out;
}

std::string FormatData(const RegistryValue& value) {
    char buffer[32];
    switch (value.type) {
    case kRegSz:
    case kRegExpandSz:
        return DataAsString(value.data);
    case kRegMultiSz: {
        std::string joined;
        for (const auto& item : DataAsMultiString(value.data))
            joined += (joined.empty() ? "" : "\\0") + item;
        return joined;
    }
    case kRegDword:
        if (const auto number = DataAsDword(value.data)) {
            std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(*number));
            return buffer;
        }
        break;
    case kRegQword:
        if (const auto number = DataAsQword(value.data)) {
            std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(*number));
            return buffer;
        }
        break;
    default:
        break;
    }
    return HexBytes(value.data);
}

void PrintValue(std::ostream& out, const RegistryValue& value) {
    out << "    " << (value.name.empty() ? "(par défaut)" : value.name) << "    " << RegistryTypeName(value.type) << "    "
        << FormatData(value) << '\n';
}

int ReportCode(std::ostream& err, ErrorCode code) {
    if (code == kErrorFileNotFound || code == kErrorKeyDeleted)
        err << kNotFound << '\n';
    else if (code == kErrorAccessDenied)
        err << kDenied << '\n';
    else
        err << "ERREUR : erreur d'accès au Registre (code " << code << ").\n";
    return 1;
}

std::optional<std::uint64_t> ParseNumber(const std::string& textValue, std::uint64_t max) {
    if (textValue.empty())
        return std::nullopt;
    const bool hex = textValue.size() > 2 && textValue[0] == '0' && (textValue[1] == 'x' || textValue[1] == 'X');
    std::size_t used = 0;
    try {
        if (textValue[0] == '-' || textValue[0] == '+')
            return std::nullopt;
        const auto number = std::stoull(textValue, &used, hex ? 16 : 10);
        if (used != textValue.size() || number > max)
            return std::nullopt;
        return number;
    } catch (const std::exception&) { // invalid_argument or out_of_range: not a number we take
        return std::nullopt;
    }
}

std::optional<std::vector<std::uint8_t>> ParseHexDigits(const std::string& digits) {
    if (digits.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const auto byte = ParseNumber("0x" + digits.substr(i, 2), 0xFF);
        if (!byte || !std::isxdigit(static_cast<unsigned char>(digits[i])))
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    return bytes;
}

// The value that `reg add` stores, or an error text.
std::optional<RegistryValue> BuildValue(const Options& options, std::string& error) {
    RegistryValue value;
    value.name = options.valueName.value_or("");
    const std::string typeName = options.type.value_or("REG_SZ");
    const auto type = ParseRegistryTypeName(typeName);
    const std::string data = options.data.value_or("");
    if (!type || (*type != kRegSz && *type != kRegExpandSz && *type != kRegMultiSz && *type != kRegDword &&
                  *type != kRegQword && *type != kRegBinary && *type != kRegNone)) {
        error = "ERREUR : syntaxe incorrecte.\nTapez \"REG ADD /?\" pour afficher la syntaxe.";
        return std::nullopt;
    }
    value.type = *type;
    if (*type == kRegSz || *type == kRegExpandSz) {
        value.data = StringData(data);
    } else if (*type == kRegMultiSz) {
        const std::string separator = options.separator.value_or("\\0");
        if (separator.empty()) {
            error = "ERREUR : syntaxe incorrecte.\nTapez \"REG ADD /?\" pour afficher la syntaxe.";
            return std::nullopt;
        }
        std::vector<std::string> items;
        for (std::size_t start = 0; !data.empty() && start <= data.size();) {
            const auto end = std::min(data.find(separator, start), data.size());
            items.push_back(data.substr(start, end - start));
            start = end + separator.size();
        }
        value.data = MultiStringData(items);
    } else if (*type == kRegDword || *type == kRegQword) {
        const auto number = ParseNumber(data.empty() ? "0" : data, *type == kRegDword ? 0xFFFFFFFFull : ~0ull);
        if (!number) {
            error = "ERREUR : syntaxe incorrecte. Spécifiez une valeur numérique valide pour « /d ».";
            return std::nullopt;
        }
        value.data = *type == kRegDword ? DwordData(static_cast<std::uint32_t>(*number)) : QwordData(*number);
    } else {
        const auto bytes = ParseHexDigits(data);
        if (!bytes) {
            error = "ERREUR : syntaxe incorrecte. Spécifiez une valeur hexadécimale valide pour « /d ».";
            return std::nullopt;
        }
        value.data = *bytes;
    }
    return value;
}

int Query(Registry& registry, const KeyName& key, const Options& options, std::ostream& out, std::ostream& err) {
    RegistryKey handle;
    if (const ErrorCode rc = registry.OpenKey(key.root, key.path, kKeyRead, handle); rc != kErrorSuccess)
        return ReportCode(err, rc);
    if (!options.recurse) {
        if (options.valueName) {
            RegistryValue value;
            const ErrorCode rc = handle.QueryValue(*options.valueName, value);
            if (rc == kErrorFileNotFound && options.valueName->empty()) {
                out << '\n' << key.text << "\n    (par défaut)    REG_SZ    (valeur non définie)\n\n";
                return 0;
            }
            if (rc != kErrorSuccess)
                return ReportCode(err, rc);
            out << '\n' << key.text << '\n';
            PrintValue(out, value);
            out << '\n';
            return 0;
        }
        // The whole key listed (one value asked above copies none of the others).
        std::vector<RegistryValue> values;
        std::vector<std::string> subKeys;
        if (const ErrorCode rc = handle.EnumValues(values); rc != kErrorSuccess)
            return ReportCode(err, rc);
        if (const ErrorCode rc = handle.EnumSubKeys(subKeys); rc != kErrorSuccess)
            return ReportCode(err, rc);
        out << '\n' << key.text << '\n';
        for (const auto& value : values)
            PrintValue(out, value);
        out << '\n';
        for (const auto& name : subKeys)
            out << key.text << '\\' << name << '\n';
        return 0;
    }
    // /s: every key of the sub-tree, as one consistent snapshot.
    const auto hive = registry.Read(key.root);
    std::size_t matches = 0;
    for (const HiveKey* sub : hive->Subtree(key.path)) {
        if (sub->denyRead)
            return ReportCode(err, kErrorAccessDenied);
        // reg.exe echoes the key as typed, followed by the names found below it.
        const std::string text =
            key.text + (key.path.empty() && !sub->path.empty() ? "\\" : "") + sub->path.substr(key.path.size());
        if (options.valueName) {
            const RegistryValue* value = sub->FindValue(*options.valueName);
            if (value == nullptr)
                continue;
            out << '\n' << text << '\n';
            PrintValue(out, *value);
            ++matches;
            continue;
        }
        out << '\n' << text << '\n';
        for (const auto& value : sub->values)
            PrintValue(out, value);
    }
    if (options.valueName) {
        out << "\nFin de la recherche : " << matches << " correspondance(s) trouvée(s).\n";
        return matches > 0 ? 0 : 1;
    }
    return 0;
}

int Add(Registry& registry, const KeyName& key, const Options& options, std::ostream& out, std::ostream& err) {
    std::optional<RegistryValue> value;
    if (options.valueName || options.type || options.data) {
        std::string error;
        value = BuildValue(options, error);
        if (!value) {
            err << error << '\n';
            return kRegUsageError;
        }
    }
    RegistryKey handle;
    if (const ErrorCode rc = registry.CreateKey(key.root, key.path, kKeyAllAccess, handle); rc != kErrorSuccess)
        return ReportCode(err, rc);
    if (value) {
        RegistryValue existing;
        if (!options.force && handle.QueryValue(value->name, existing) == kErrorSuccess) {
            err << "ERREUR : la valeur " << (value->name.empty() ? "(par défaut)" : value->name)
                << " existe ; ajoutez /f pour la remplacer.\n";
            return 1;
        }
        if (const ErrorCode rc = handle.SetValue(*value); rc != kErrorSuccess)
            return ReportCode(err, rc);
    }
    out << kSuccess << '\n';
    return 0;
}

int Delete(Registry& registry, const KeyName& key, const Options& options, std::ostream& out, std::ostream& err) {
    if (!options.force) {
        err << "ERREUR : REG DELETE ne pose pas de question : ajoutez /f pour supprimer.\n";
        return 1;
    }
    if (!options.valueName && !options.allValues) {
        if (const ErrorCode rc = registry.DeleteKey(key.root, key.path); rc != kErrorSuccess)
            return ReportCode(err, rc);
        out << kSuccess << '\n';
        return 0;
    }
    RegistryKey handle;
    if (const ErrorCode rc = registry.OpenKey(key.root, key.path, kKeyAllAccess, handle); rc != kErrorSuccess)
        return ReportCode(err, rc);
    if (options.allValues) {
        std::vector<RegistryValue> values;
        if (const ErrorCode rc = handle.EnumValues(values); rc != kErrorSuccess)
            return ReportCode(err, rc);
        for (const auto& value : values)
            if (const ErrorCode rc = handle.DeleteValue(value.name); rc != kErrorSuccess)
                return ReportCode(err, rc);
    } else if (const ErrorCode rc = handle.DeleteValue(*options.valueName); rc != kErrorSuccess) {
        return ReportCode(err, rc);
    }
    out << kSuccess << '\n';
    return 0;
}

// The bytes of a file to import: a regular file of at most the size of a hive. A device, a pipe
// or a folder is refused without being read (a pipe would block, a device never end).
std::optional<std::vector<std::uint8_t>> ReadImportFile(const std::string& fileName, std::ostream& err) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err << kErrorOpeningFile << '\n';
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); } // only read; nothing to report
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        err << "ERREUR : " << fileName << " n'est pas un fichier ordinaire.\n";
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxHiveFileSize) {
        err << "ERREUR : le fichier " << fileName << " dépasse 64 Mio.\n";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err << kErrorOpeningFile << '\n';
            return std::nullopt;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

int Import(Registry& registry, const std::string& fileName, std::ostream& out, std::ostream& err) {
    const auto bytes = ReadImportFile(fileName, err);
    if (!bytes)
        return 1;
    const RegFileDocument document = ParseRegFile(*bytes, fileName);
    if (const ErrorCode rc = registry.Import(document); rc != kErrorSuccess)
        return ReportCode(err, rc);
    out << kSuccess << '\n';
    return 0;
}

int Export(Registry& registry, const KeyName& key, const std::string& fileName, const Options& options,
           std::ostream& out, std::ostream& err) {
    std::vector<std::uint8_t> bytes;
    if (const ErrorCode rc = registry.Export(key.root, key.path, bytes); rc != kErrorSuccess)
        return ReportCode(err, rc);
    // Only an absent name or a regular file is written: never a folder, a FIFO, a device, nor
    // the file a link leads to.
    std::error_code error;
    const auto type = std::filesystem::symlink_status(fileName, error).type();
    if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular) {
        err << "ERREUR : " << fileName << " n'est pas un fichier ordinaire ; il est laissé tel quel.\n";
        return 1;
    }
    if (!options.overwriteFile && type == std::filesystem::file_type::regular) {
        err << "ERREUR : le fichier " << fileName << " existe ; ajoutez /y pour le remplacer.\n";
        return 1;
    }
    try {
        platform::WriteWholeFile(fileName, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::exception&) {
        err << "ERREUR : erreur lors de l'ouverture du fichier. Il peut s'agir d'une erreur de disque ou de système "
               "de fichiers.\n";
        return 1;
    }
    out << kSuccess << '\n';
    return 0;
}

int Run(Registry& registry, std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kRegUsageError;
    }
    if (IsOption(args[0], "?")) {
        out << kUsage;
        return 0;
    }
    const std::string operation = text::AsciiUpper(args[0]);
    const bool known = operation == "QUERY" || operation == "ADD" || operation == "DELETE" || operation == "IMPORT" ||
                       operation == "EXPORT";
    const std::string usageHint = "Tapez \"REG " + (known ? operation + " " : std::string()) + "/?\" pour afficher la syntaxe.";
    try {
        if (!known)
            throw SyntaxError{};
        const Options options = ParseOptions(operation, args.subspan(1));
        if (options.help) {
            out << kUsage;
            return 0;
        }
        const std::size_t expected = operation == "EXPORT" ? 2 : 1;
        if (options.positional.size() != expected)
            throw SyntaxError{};
        if (operation == "IMPORT")
            return Import(registry, options.positional[0], out, err);
        const auto key = ParseKeyName(options.positional[0]);
        if (!key) {
            err << "ERREUR : nom de clé non valide.\n" << usageHint << '\n';
            return kRegUsageError;
        }
        if (operation == "QUERY")
            return Query(registry, *key, options, out, err);
        if (operation == "ADD")
            return Add(registry, *key, options, out, err);
        if (operation == "DELETE")
            return Delete(registry, *key, options, out, err);
        return Export(registry, *key, options.positional[1], options, out, err);
    } catch (const SyntaxError&) {
        err << "ERREUR : syntaxe incorrecte.\n" << usageHint << '\n';
        return kRegUsageError;
    }
}

} // namespace

std::string_view RegCommandUsage() {
    return kUsage;
}

int RunRegCommand(Registry& registry, std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    try {
        return Run(registry, args, out, err);
    } catch (const std::exception& e) { // a damaged hive or file, an I/O failure: reported, never half-applied
        err << "ERREUR : " << e.what() << '\n';
        return 1;
    }
}

} // namespace platform
