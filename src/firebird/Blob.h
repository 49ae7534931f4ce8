#pragma once

// Text and binary blobs of any size, read and written in segments of at most 65535 bytes. The
// bytes are the stored ones: text blobs are converted by the caller (Attachment::FromServer).

#include "firebird/FirebirdApi.h"

#include <string>
#include <string_view>

namespace fb {

class Attachment;
class Transaction;

// The whole content of blob `id`.
std::string ReadBlob(Attachment& database, Transaction& transaction, const ISC_QUAD& id);

// A new blob holding `bytes`; its id, to be stored in a BLOB column or parameter.
ISC_QUAD WriteBlob(Attachment& database, Transaction& transaction, std::string_view bytes);

// An open blob, cancelled (a new one) or closed (a read one) when destroyed unless Close ran.
class BlobHandle {
public:
    explicit BlobHandle(Firebird::IBlob* blob)
        : FBlob(blob) {}
    ~BlobHandle();
    BlobHandle(const BlobHandle&) = delete;
    BlobHandle& operator=(const BlobHandle&) = delete;

    Firebird::IBlob* operator->() const { return FBlob; }
    void Close();

private:
    Firebird::IBlob* FBlob;
};

inline constexpr std::size_t MaxBlobSegment = 65535;

} // namespace fb
