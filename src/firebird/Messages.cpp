#include "firebird/Messages.h"

#include "firebird/Attachment.h"
#include "firebird/Blob.h"
#include "firebird/FirebirdApi.h"
#include "firebird/Transaction.h"
#include "platform/text/Text.h"

#include <cstring>

namespace fb {

namespace {

constexpr unsigned CharsetOctets = 1;
constexpr short NullFlag = -1;

// ISC_DATE counts days from 17 November 1858; ISC_TIME counts 1/10000 s from midnight.
const std::chrono::local_days IscEpoch{std::chrono::year(1858) / 11 / 17};

Timestamp FromIsc(ISC_DATE date, ISC_TIME time) {
    return Timestamp(IscEpoch + std::chrono::days(date)) + std::chrono::microseconds(std::int64_t(time) * 100);
}

ISC_TIMESTAMP ToIsc(Timestamp t) {
    auto day = std::chrono::floor<std::chrono::days>(t);
    ISC_TIMESTAMP result;
    result.timestamp_date = static_cast<ISC_DATE>((day - IscEpoch).count());
    result.timestamp_time = static_cast<ISC_TIME>((t - day).count() / 100);
    return result;
}

template <typename T> void Put(unsigned char* at, const T& value) {
    std::memcpy(at, &value, sizeof value);
}
template <typename T> T Get(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

bool IsText(unsigned type) {
    return type == SQL_TEXT || type == SQL_VARYING;
}

// How an error names a parameter: by its name in the text (the system names parameters after
// their columns), by the column the server describes, or by its position.
std::string ParameterName(Firebird::IMessageMetadata* parameters, unsigned index,
                          const std::vector<std::string>& names) {
    if (index < names.size() && !names[index].empty())
        return "de la colonne " + platform::text::AsciiUpper(names[index]);
    Status status;
    const char* field = parameters->getField(&status, index);
    if (!status.Failed() && field != nullptr && *field != '\0')
        return std::string("de la colonne ") + field;
    return "du paramètre " + std::to_string(index + 1);
}

} // namespace

InputMessage::InputMessage(Attachment& database, Transaction& transaction, Firebird::IMessageMetadata* parameters,
                           const std::vector<Value>& values, const std::vector<std::string>& names) {
    Status status;
    unsigned count = parameters->getCount(&status);
    status.Check();
    Ref<Firebird::IMetadataBuilder> ref(parameters->getBuilder(&status));
    status.Check();
    // What we send for each parameter: the text bytes, blob id, or the value itself.
    std::vector<std::string> texts(count);
    std::vector<ISC_QUAD> blobs(count);
    for (unsigned i = 0; i < count; ++i) {
        const Value none;
        const Value& value = i < values.size() ? values[i] : none;
        unsigned type = parameters->getType(&status, i) & ~1u;
        unsigned charset = parameters->getCharSet(&status, i);
        status.Check();
        const std::string what = ParameterName(parameters, i, names);
        if (value.IsNull()) {
            ref->setType(&status, i, type | 1);
        } else if (type == SQL_BLOB) {
            int subType = parameters->getSubType(&status, i);
            std::string bytes = (subType == 1 && charset != CharsetOctets) ? database.ToServer(value.AsString(), what)
                                                                           : value.AsString();
            blobs[i] = WriteBlob(database, transaction, bytes);
            ref->setType(&status, i, SQL_BLOB | 1);
        } else if (value.IsInteger()) {
            ref->setType(&status, i, SQL_INT64 | 1);
            ref->setLength(&status, i, sizeof(ISC_INT64));
            ref->setScale(&status, i, 0);
        } else if (value.IsDouble()) {
            ref->setType(&status, i, SQL_DOUBLE | 1);
            ref->setLength(&status, i, sizeof(double));
            ref->setScale(&status, i, 0);
        } else if (value.IsTimestamp()) {
            ref->setType(&status, i, SQL_TIMESTAMP | 1);
            ref->setLength(&status, i, sizeof(ISC_TIMESTAMP));
        } else {
            bool binary = IsText(type) && charset == CharsetOctets;
            texts[i] = binary ? value.AsString() : database.ToServer(value.AsString(), what);
            ref->setType(&status, i, SQL_VARYING | 1);
            ref->setLength(&status, i, static_cast<unsigned>(texts[i].size()));
            if (!IsText(type))
                ref->setCharSet(&status, i, 0);
        }
        status.Check();
    }
    FMetadata.reset(ref->getMetadata(&status));
    status.Check();
    FBuffer.assign(FMetadata->getMessageLength(&status), 0);
    status.Check();
    for (unsigned i = 0; i < count; ++i) {
        unsigned char* field = FBuffer.data() + FMetadata->getOffset(&status, i);
        unsigned char* null = FBuffer.data() + FMetadata->getNullOffset(&status, i);
        unsigned type = FMetadata->getType(&status, i) & ~1u;
        status.Check();
        const Value none;
        const Value& value = i < values.size() ? values[i] : none;
        Put<short>(null, value.IsNull() ? NullFlag : 0);
        if (value.IsNull())
            continue;
        switch (type) {
        case SQL_BLOB:
            Put(field, blobs[i]);
            break;
        case SQL_INT64:
            Put<ISC_INT64>(field, value.AsInt64());
            break;
        case SQL_DOUBLE:
            Put<double>(field, value.AsDouble());
            break;
        case SQL_TIMESTAMP:
            Put(field, ToIsc(value.AsTimestamp()));
            break;
        default:
            Put<unsigned short>(field, static_cast<unsigned short>(texts[i].size()));
            std::memcpy(field + sizeof(unsigned short), texts[i].data(), texts[i].size());
            break;
        }
    }
}

OutputMessage::OutputMessage(Firebird::IMessageMetadata* columns) {
    Status status;
    unsigned count = columns->getCount(&status);
    status.Check();
    Ref<Firebird::IMetadataBuilder> builder(columns->getBuilder(&status));
    status.Check();
    for (unsigned i = 0; i < count; ++i) {
        unsigned type = columns->getType(&status, i) & ~1u;
        int scale = columns->getScale(&status, i);
        FNames.emplace_back(columns->getAlias(&status, i));
        status.Check();
        switch (type) {
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            builder->setType(&status, i, (scale == 0 ? SQL_INT64 : SQL_DOUBLE) | 1);
            builder->setLength(&status, i, 8);
            builder->setScale(&status, i, 0);
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            builder->setType(&status, i, SQL_DOUBLE | 1);
            builder->setLength(&status, i, sizeof(double));
            break;
        case SQL_TEXT:
        case SQL_VARYING:
        case SQL_BLOB:
        case SQL_TIMESTAMP:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_BOOLEAN:
        case SQL_NULL:
            builder->setType(&status, i, type | 1);
            break;
        default: // anything newer than this layer: its text form
            builder->setType(&status, i, SQL_VARYING | 1);
            builder->setLength(&status, i, 64);
            builder->setCharSet(&status, i, 0);
            break;
        }
        status.Check();
    }
    FMetadata.reset(builder->getMetadata(&status));
    status.Check();
    FBuffer.assign(FMetadata->getMessageLength(&status), 0);
    status.Check();
}

std::vector<Value> OutputMessage::Decode(Attachment& database, Transaction& transaction) const {
    Status status;
    std::vector<Value> row;
    for (unsigned i = 0; i < FNames.size(); ++i) {
        const unsigned char* field = FBuffer.data() + FMetadata->getOffset(&status, i);
        const unsigned char* null = FBuffer.data() + FMetadata->getNullOffset(&status, i);
        unsigned type = FMetadata->getType(&status, i) & ~1u;
        unsigned length = FMetadata->getLength(&status, i);
        unsigned charset = FMetadata->getCharSet(&status, i);
        int subType = FMetadata->getSubType(&status, i);
        status.Check();
        if (Get<short>(null) == NullFlag || type == SQL_NULL) {
            row.emplace_back();
            continue;
        }
        auto text = [&](std::string_view bytes) {
            return charset == CharsetOctets ? std::string(bytes) : database.FromServer(bytes);
        };
        const char* chars = reinterpret_cast<const char*>(field);
        switch (type) {
        case SQL_TEXT:
            row.emplace_back(text(std::string_view(chars, length)));
            break;
        case SQL_VARYING:
            row.emplace_back(text(std::string_view(chars + 2, Get<unsigned short>(field))));
            break;
        case SQL_INT64:
            row.emplace_back(static_cast<std::int64_t>(Get<ISC_INT64>(field)));
            break;
        case SQL_DOUBLE:
            row.emplace_back(Get<double>(field));
            break;
        case SQL_TIMESTAMP: {
            auto stamp = Get<ISC_TIMESTAMP>(field);
            row.emplace_back(FromIsc(stamp.timestamp_date, stamp.timestamp_time));
            break;
        }
        case SQL_TYPE_DATE:
            row.emplace_back(FromIsc(Get<ISC_DATE>(field), 0));
            break;
        case SQL_TYPE_TIME:
            row.emplace_back(FromIsc(0, Get<ISC_TIME>(field)));
            break;
        case SQL_BOOLEAN:
            row.emplace_back(static_cast<std::int64_t>(field[0] != 0));
            break;
        case SQL_BLOB: {
            std::string bytes = ReadBlob(database, transaction, Get<ISC_QUAD>(field));
            row.emplace_back(subType == 1 ? text(bytes) : bytes);
            break;
        }
        default:
            row.emplace_back();
            break;
        }
    }
    return row;
}

} // namespace fb
