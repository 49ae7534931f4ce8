#pragma once

// The message buffers of a prepared statement: parameters coerced from our values to the types
// the client converts for us, and result rows decoded into values.

#include "firebird/Client.h"
#include "firebird/Value.h"

#include <string>
#include <vector>

namespace fb {

class Attachment;
class Transaction;

class InputMessage {
public:
    // Lays out `values` (missing ones are null) for the statement's parameters `parameters`.
    // Values for BLOB parameters are written as new blobs in `transaction`. `names` (the
    // parameters' names in the text, which name their columns) identify a text that the
    // connection's character set cannot hold.
    InputMessage(Attachment& database, Transaction& transaction, Firebird::IMessageMetadata* parameters,
                 const std::vector<Value>& values, const std::vector<std::string>& names = {});

    Firebird::IMessageMetadata* Metadata() const { return FMetadata.get(); }
    unsigned char* Buffer() { return FBuffer.data(); }

private:
    Ref<Firebird::IMessageMetadata> FMetadata;
    std::vector<unsigned char> FBuffer;
};

class OutputMessage {
public:
    // The layout we fetch the statement's columns `columns` into (nothing when it has none).
    explicit OutputMessage(Firebird::IMessageMetadata* columns);

    Firebird::IMessageMetadata* Metadata() const { return FMetadata.get(); }
    unsigned char* Buffer() { return FBuffer.data(); }
    const std::vector<std::string>& Names() const { return FNames; }

    // The fetched row; blobs are read in `transaction`, texts converted from the attachment's set.
    std::vector<Value> Decode(Attachment& database, Transaction& transaction) const;

private:
    Ref<Firebird::IMessageMetadata> FMetadata;
    std::vector<unsigned char> FBuffer;
    std::vector<std::string> FNames;
};

} // namespace fb
