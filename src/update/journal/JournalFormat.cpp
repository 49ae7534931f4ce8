#include "update/journal/JournalFormat.h"

#include <array>
#include <charconv>

namespace update {

namespace {

struct KindName {
    JournalRecordKind kind;
    std::string_view word;
    std::size_t fields; // after the word
};

constexpr std::array<KindName, 7> kKinds = {{
    {JournalRecordKind::Begin, "begin", 1},
    {JournalRecordKind::Replace, "replace", 4},
    {JournalRecordKind::New, "new", 1},
    {JournalRecordKind::Restart, "restart", 4},
    {JournalRecordKind::Written, "written", 2},
    {JournalRecordKind::Commit, "commit", 1},
    {JournalRecordKind::Rollback, "rollback", 1},
}};

constexpr std::string_view kReadOnly = "read-only";
constexpr std::string_view kNormal = "normal";
constexpr std::string_view kNone = "-"; // a restart record whose target had no previous content

std::optional<std::uint64_t> Number(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// "size:last-write:volume:index".
std::optional<FileState> ParseState(std::string_view text) {
    std::array<std::uint64_t, 4> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t colon = i + 1 < values.size() ? text.find(':') : text.size();
        if (colon == std::string_view::npos)
            return std::nullopt;
        const auto value = Number(text.substr(0, colon));
        if (!value)
            return std::nullopt;
        values[i] = *value;
        text.remove_prefix(colon == text.size() ? colon : colon + 1);
    }
    return FileState{values[0], values[1], values[2], values[3]};
}

std::string FormatState(const std::optional<FileState>& state) {
    if (!state)
        return std::string(kNone);
    return std::to_string(state->size) + ":" + std::to_string(state->lastWriteTime) + ":" +
           std::to_string(state->volume) + ":" + std::to_string(state->index);
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

const KindName* FindKind(std::string_view word) {
    for (const KindName& kind : kKinds)
        if (kind.word == word)
            return &kind;
    return nullptr;
}

const KindName& KindOf(JournalRecordKind kind) {
    for (const KindName& entry : kKinds)
        if (entry.kind == kind)
            return entry;
    return kKinds.front();
}

// Reads the lines one by one and keeps the products' entries in order.
class JournalReader {
public:
    explicit JournalReader(const std::filesystem::path& file)
        : FFile(file) {}

    void Line(int number, std::string_view line) {
        FNumber = number;
        if (number == 1) {
            if (line != kJournalHeader)
                Fail("ce n'est pas un journal de mise à jour");
            return;
        }
        const std::vector<std::string_view> fields = SplitFields(line);
        if (number == 2) {
            if (fields.front() != "run" || fields.size() != 4)
                Fail("la ligne \"run\" manque");
            const auto started = Number(fields[2]);
            if (!started)
                Fail("heure de début illisible");
            FContent.run = std::string(fields[1]) + "\t" + std::string(fields[3]);
            FContent.started = *started;
            return;
        }
        const KindName* kind = FindKind(fields.front());
        if (kind == nullptr)
            Fail("enregistrement inconnu \"" + std::string(fields.front()) + "\"");
        if (fields.size() != kind->fields + 1)
            Fail("nombre de champs incorrect");
        for (std::size_t i = 1; i < fields.size(); ++i)
            if (fields[i].empty())
                Fail("champ vide");
        Record(*kind, fields);
    }

    JournalContent Finish() { return std::move(FContent); }
    void RequireStart(int lines) {
        if (lines < 2)
            Fail("le journal est incomplet");
    }

private:
    void Record(const KindName& kind, const std::vector<std::string_view>& fields) {
        JournalRecord record;
        record.kind = kind.kind;
        switch (kind.kind) {
        case JournalRecordKind::Begin:
            // A product whose files could not all be put back stays open while the run goes on.
            FContent.products.push_back({std::string(fields[1]), {}, JournalProduct::State::Open});
            return;
        case JournalRecordKind::Commit:
        case JournalRecordKind::Rollback: {
            JournalProduct* product = Open();
            if (product == nullptr || product->name != fields[1])
                Fail("clôture d'un produit qui n'est pas ouvert");
            product->state = kind.kind == JournalRecordKind::Commit ? JournalProduct::State::Committed
                                                                    : JournalProduct::State::RolledBack;
            return;
        }
        case JournalRecordKind::Replace:
            record.target = fields[1];
            record.backup = fields[2];
            if (fields[3] != kReadOnly && fields[3] != kNormal)
                Fail("attribut inconnu \"" + std::string(fields[3]) + "\"");
            record.readOnly = fields[3] == kReadOnly;
            record.before = State(fields[4]);
            break;
        case JournalRecordKind::New:
            record.target = fields[1];
            break;
        case JournalRecordKind::Restart:
            record.target = fields[1];
            record.backup = fields[2];
            if ((fields[3] == kNone) != (fields[4] == kNone))
                Fail("copie de l'ancien contenu incomplète");
            if (fields[3] != kNone) {
                record.saved = fields[3];
                record.before = State(fields[4]);
            }
            break;
        case JournalRecordKind::Written: {
            JournalRecord* written = Recorded(fields[1]);
            if (written == nullptr)
                Fail("état d'un fichier qui n'est pas enregistré");
            written->after = State(fields[2]);
            return;
        }
        }
        JournalProduct* product = Open();
        if (product == nullptr)
            Fail("fichier enregistré hors d'un produit");
        if (record.kind == JournalRecordKind::Replace)
            for (JournalRecord& earlier : product->files)
                if (earlier.kind == JournalRecordKind::Replace && earlier.target == record.target &&
                    earlier.backup == record.backup) {
                    earlier =
                        std::move(record); // the backup was made as a copy after all: its state corrects the first
                    return;
                }
        product->files.push_back(std::move(record));
    }

    FileState State(std::string_view text) const {
        const auto state = ParseState(text);
        if (!state)
            Fail("état de fichier illisible \"" + std::string(text) + "\"");
        return *state;
    }

    // The open product's record of `target` (a Written line follows the write it describes).
    JournalRecord* Recorded(std::string_view target) {
        JournalProduct* product = Open();
        if (product == nullptr)
            return nullptr;
        for (auto record = product->files.rbegin(); record != product->files.rend(); ++record)
            if (record->target == target && record->kind != JournalRecordKind::Restart)
                return &*record;
        return nullptr;
    }

    JournalProduct* Open() {
        if (FContent.products.empty() || FContent.products.back().state != JournalProduct::State::Open)
            return nullptr;
        return &FContent.products.back();
    }

    [[noreturn]] void Fail(const std::string& reason) const { throw JournalError(FFile, FNumber, reason); }

    std::filesystem::path FFile;
    int FNumber = 0;
    JournalContent FContent;
};

} // namespace

JournalError::JournalError(std::filesystem::path file, int line, const std::string& reason)
    : std::runtime_error(reason)
    , FFile(std::move(file))
    , FLine(line) {}

JournalRecord ProductRecord(JournalRecordKind kind, std::string_view product) {
    JournalRecord record;
    record.kind = kind;
    record.product = product;
    return record;
}

std::string FormatJournalRecord(const JournalRecord& record) {
    std::string line(KindOf(record.kind).word);
    switch (record.kind) {
    case JournalRecordKind::Begin:
    case JournalRecordKind::Commit:
    case JournalRecordKind::Rollback:
        line += "\t" + record.product;
        break;
    case JournalRecordKind::Replace:
        line += "\t" + record.target + "\t" + record.backup + "\t" +
                std::string(record.readOnly ? kReadOnly : kNormal) + "\t" + FormatState(record.before);
        break;
    case JournalRecordKind::New:
        line += "\t" + record.target;
        break;
    case JournalRecordKind::Restart:
        line += "\t" + record.target + "\t" + record.backup + "\t" +
                (record.saved.empty() ? std::string(kNone) : record.saved) + "\t" +
                FormatState(record.saved.empty() ? std::nullopt : record.before);
        break;
    case JournalRecordKind::Written:
        line += "\t" + record.target + "\t" + FormatState(record.after);
        break;
    }
    return line + "\n";
}

std::string FormatJournalStart(long processId, std::uint64_t started, std::string_view program) {
    return std::string(kJournalHeader) + "\nrun\t" + std::to_string(processId) + "\t" + std::to_string(started) + "\t" +
           std::string(program) + "\n";
}

JournalContent ParseJournal(std::string_view text, const std::filesystem::path& file) {
    JournalReader reader(file);
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            break; // cut while it was written: announced nothing that happened
        reader.Line(++number, text.substr(start, end - start));
        start = end + 1;
    }
    reader.RequireStart(number);
    return reader.Finish();
}

} // namespace update
