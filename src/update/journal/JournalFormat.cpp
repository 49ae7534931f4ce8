#include "update/journal/JournalFormat.h"

#include <array>

namespace update {

namespace {

struct KindName {
    JournalRecordKind kind;
    std::string_view word;
    std::size_t fields; // after the word
};

constexpr std::array<KindName, 6> kKinds = {{
    {JournalRecordKind::Begin, "begin", 1},
    {JournalRecordKind::Replace, "replace", 3},
    {JournalRecordKind::New, "new", 1},
    {JournalRecordKind::Restart, "restart", 2},
    {JournalRecordKind::Commit, "commit", 1},
    {JournalRecordKind::Rollback, "rollback", 1},
}};

constexpr std::string_view kReadOnly = "read-only";
constexpr std::string_view kNormal = "normal";

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
            if (fields.front() != "run")
                Fail("la ligne \"run\" manque");
            FContent.run = std::string(line.substr(4 < line.size() ? 4 : line.size()));
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
            break;
        case JournalRecordKind::New:
            record.target = fields[1];
            break;
        case JournalRecordKind::Restart:
            record.target = fields[1];
            record.backup = fields[2];
            break;
        }
        JournalProduct* product = Open();
        if (product == nullptr)
            Fail("fichier enregistré hors d'un produit");
        product->files.push_back(std::move(record));
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
        line += "\t" + record.target + "\t" + record.backup + "\t" + std::string(record.readOnly ? kReadOnly : kNormal);
        break;
    case JournalRecordKind::New:
        line += "\t" + record.target;
        break;
    case JournalRecordKind::Restart:
        line += "\t" + record.target + "\t" + record.backup;
        break;
    }
    return line + "\n";
}

std::string FormatJournalStart(long processId, std::string_view program) {
    return std::string(kJournalHeader) + "\nrun\t" + std::to_string(processId) + "\t" + std::string(program) + "\n";
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
