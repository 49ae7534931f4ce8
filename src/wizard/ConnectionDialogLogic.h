#pragma once

// The rules of the connection dialog without its window: when OK may be chosen, how the database
// name is composed from the fields (and the two errors that refuse them), and what the keys typed
// into the four IPv4 address fields do. No Qt here, so that the rules are tested on their own.

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace wizard {

// The three ways of describing where the database lives.
enum class ConnectionChoice { Local, Tcp, Other };

// What the dialog's fields hold, as typed (UTF-8).
struct ConnectionFields {
    ConnectionChoice choice = ConnectionChoice::Local;
    std::string dbFile;                 // local database file
    std::array<std::string, 4> address; // the four parts of the IPv4 address
    std::string servFile;               // database file as the server sees it
    std::string otherDbFile;            // any connection string
};

// The text without the spaces and control characters at both ends.
std::string TrimBlanks(std::string_view text);

// OK may be chosen: the chosen way's fields are filled (the file names not blank after trimming,
// the address parts and the server file not empty as typed).
bool IsOkEnabled(const ConnectionFields& fields);

// A server file is accepted when it has at least 3 characters and a backslash after its first one.
bool IsValidServerFile(std::string_view servFile);

// "Fichier \"<name>\" pas trouvé" and "Le nom de fichier n'est pas correct!".
std::string FileNotFoundMessage(std::string_view name);
std::string_view BadServerFileMessage();

// Whether a file (not a folder) of that Windows name exists.
using FileExistsFunction = std::function<bool(std::string_view)>;

// The database name the fields describe: the local file as typed, address + ":" + server file, or
// the other text trimmed. Raises Exception with one of the two messages above; a local or other
// name is accepted only when it is empty or names an existing file.
std::string ComposeDatabaseName(const ConnectionFields& fields, const FileExistsFunction& fileExists);
// The same over the files of the current machine.
std::string ComposeDatabaseName(const ConnectionFields& fields);

// What a character typed into an address field does.
enum class AddressKeyAction {
    PassOn,   // not a character (arrows, Delete, Home...): the field handles it
    Accept,   // a digit or a backspace the field applies
    Swallow,  // dropped
    MoveNext, // dropped; the focus goes to the next field
    MoveBack  // dropped; the focus goes to the previous field, caret at its end
};

inline constexpr char32_t kNoCharacter = 0;
inline constexpr char32_t kBackspace = 8;

// `character` is the character the key produces (kNoCharacter for keys that produce none, control
// characters for Ctrl+letter); `fieldIndex` 0 to 3; `fieldText` the field's text before the key;
// `previousJustCompleted` when the focus came to this field because the previous one reached three
// digits and no key was typed here since: the "." that ends such a part has already been obeyed.
AddressKeyAction AddressKey(char32_t character, int fieldIndex, std::string_view fieldText,
                            bool previousJustCompleted = false);

// The focus moves on by itself once a field holds three characters, while the dialog is visible.
bool AddressFieldIsComplete(std::string_view fieldText, bool dialogVisible);

// The longest text an address field takes.
inline constexpr int kAddressFieldLength = 3;

} // namespace wizard
