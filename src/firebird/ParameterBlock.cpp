#include "firebird/ParameterBlock.h"

#include "firebird/Client.h"
#include "firebird/FirebirdApi.h"
#include "platform/text/Text.h"

#include <stdexcept>
#include <string_view>

namespace fb {

namespace {

enum class ItemKind { Flag, Int, String };

struct ItemInfo {
    std::string_view name;
    unsigned char tag;
    ItemKind kind;
};

constexpr ItemInfo DatabaseItems[] = {
    {"user_name", isc_dpb_user_name, ItemKind::String},
    {"password", isc_dpb_password, ItemKind::String},
    {"sql_role_name", isc_dpb_sql_role_name, ItemKind::String},
    {"lc_ctype", isc_dpb_lc_ctype, ItemKind::String},
    {"sql_dialect", isc_dpb_sql_dialect, ItemKind::Int},
    {"set_db_sql_dialect", isc_dpb_set_db_sql_dialect, ItemKind::Int},
    {"num_buffers", isc_dpb_num_buffers, ItemKind::Int},
    {"force_write", isc_dpb_force_write, ItemKind::Int},
    {"sweep_interval", isc_dpb_sweep_interval, ItemKind::Int},
    {"page_size", isc_dpb_page_size, ItemKind::Int},
    {"set_db_charset", isc_dpb_set_db_charset, ItemKind::String},
    {"no_garbage_collect", isc_dpb_no_garbage_collect, ItemKind::Flag},
};

constexpr ItemInfo TransactionItems[] = {
    {"consistency", isc_tpb_consistency, ItemKind::Flag},
    {"concurrency", isc_tpb_concurrency, ItemKind::Flag},
    {"read_committed", isc_tpb_read_committed, ItemKind::Flag},
    {"rec_version", isc_tpb_rec_version, ItemKind::Flag},
    {"no_rec_version", isc_tpb_no_rec_version, ItemKind::Flag},
    {"wait", isc_tpb_wait, ItemKind::Flag},
    {"nowait", isc_tpb_nowait, ItemKind::Flag},
    {"read", isc_tpb_read, ItemKind::Flag},
    {"write", isc_tpb_write, ItemKind::Flag},
    {"ignore_limbo", isc_tpb_ignore_limbo, ItemKind::Flag},
    {"autocommit", isc_tpb_autocommit, ItemKind::Flag},
    {"no_auto_undo", isc_tpb_no_auto_undo, ItemKind::Flag},
    {"lock_timeout", isc_tpb_lock_timeout, ItemKind::Int},
};

struct SplitItem {
    std::string name;
    std::string value;
    bool hasValue = false;
};

SplitItem Split(const std::string& item) {
    SplitItem split;
    auto equal = item.find('=');
    split.name = platform::text::ToLower(item.substr(0, equal));
    for (std::string_view prefix : {"isc_dpb_", "isc_tpb_"})
        if (split.name.starts_with(prefix))
            split.name.erase(0, prefix.size());
    if (equal != std::string::npos) {
        split.value = item.substr(equal + 1);
        split.hasValue = true;
    }
    return split;
}

template <std::size_t N>
std::vector<std::uint8_t> Build(const ParameterList& items, const ItemInfo (&table)[N], unsigned kind) {
    Status status;
    Owned<Firebird::IXpbBuilder> builder(Util()->getXpbBuilder(&status, kind, nullptr, 0));
    status.Check();
    for (const std::string& item : items) {
        SplitItem split = Split(item);
        const ItemInfo* info = nullptr;
        for (const ItemInfo& candidate : table)
            if (candidate.name == split.name)
                info = &candidate;
        if (!info || (info->kind != ItemKind::Flag && !split.hasValue))
            throw std::invalid_argument("Unknown parameter block item: " + item);
        switch (info->kind) {
        case ItemKind::Flag:
            builder->insertTag(&status, info->tag);
            break;
        case ItemKind::Int:
            builder->insertInt(&status, info->tag, std::stoi(split.value));
            break;
        case ItemKind::String:
            builder->insertString(&status, info->tag, split.value.c_str());
            break;
        }
        status.Check();
    }
    const std::uint8_t* buffer = builder->getBuffer(&status);
    unsigned length = builder->getBufferLength(&status);
    status.Check();
    return std::vector<std::uint8_t>(buffer, buffer + length);
}

} // namespace

std::vector<std::uint8_t> BuildDatabaseParameterBlock(const ParameterList& items) {
    return Build(items, DatabaseItems, Firebird::IXpbBuilder::DPB);
}

std::vector<std::uint8_t> BuildTransactionParameterBlock(const ParameterList& items) {
    // No items: an empty block, which gives the server's defaults (write, concurrency, wait).
    if (items.empty())
        return {};
    return Build(items, TransactionItems, Firebird::IXpbBuilder::TPB);
}

std::string FindParameter(const ParameterList& items, const std::string& name) {
    std::string wanted = platform::text::ToLower(name);
    for (const std::string& item : items) {
        SplitItem split = Split(item);
        if (split.name == wanted)
            return split.value;
    }
    return {};
}

} // namespace fb
