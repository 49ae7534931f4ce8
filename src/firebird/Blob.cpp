#include "firebird/Blob.h"

#include "firebird/Attachment.h"
#include "firebird/Client.h"
#include "firebird/Transaction.h"

#include <algorithm>

namespace fb {

BlobHandle::~BlobHandle() {
    if (!FBlob)
        return;
    Status status;
    FBlob->cancel(&status);
    if (status.Failed())
        FBlob->release(); // the attachment is gone; only the client side is left to free
}

void BlobHandle::Close() {
    Status status;
    FBlob->close(&status);
    status.Check();
    FBlob = nullptr; // a successful close released the interface
}

std::string ReadBlob(Attachment& database, Transaction& transaction, const ISC_QUAD& id) {
    Status status;
    ISC_QUAD blobId = id;
    BlobHandle blob(database.Handle()->openBlob(&status, transaction.Handle(), &blobId, 0, nullptr));
    status.Check();
    std::string content;
    std::string segment(MaxBlobSegment, '\0');
    for (;;) {
        unsigned length = 0;
        int result = blob->getSegment(&status, static_cast<unsigned>(segment.size()), segment.data(), &length);
        status.Check();
        if (result == Firebird::IStatus::RESULT_NO_DATA)
            break;
        content.append(segment.data(), length);
    }
    blob.Close();
    return content;
}

ISC_QUAD WriteBlob(Attachment& database, Transaction& transaction, std::string_view bytes) {
    Status status;
    ISC_QUAD id{};
    BlobHandle blob(database.Handle()->createBlob(&status, transaction.Handle(), &id, 0, nullptr));
    status.Check();
    for (std::size_t pos = 0; pos < bytes.size(); pos += MaxBlobSegment) {
        std::size_t length = std::min(MaxBlobSegment, bytes.size() - pos);
        blob->putSegment(&status, static_cast<unsigned>(length), bytes.data() + pos);
        status.Check();
    }
    blob.Close();
    return id;
}

} // namespace fb
