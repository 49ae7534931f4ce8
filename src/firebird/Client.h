#pragma once

// Access to the Firebird client library (Debian's libfbclient; on Windows the user's own, see ClientLibrary.h) and the
// small RAII pieces every class of this layer shares. Firebird 3 rule: a successful detach, close, commit or rollback
// releases the interface itself; only a failed one (or one never attempted) needs release().

#include "firebird/FirebirdApi.h"

#include <memory>
#include <string>

namespace fb {

// The master interface. The first call sets the Firebird environment of the current machine
// (FIREBIRD, FIREBIRD_LOCK, FIREBIRD_TMP) so that the client reads that machine's root.
Firebird::IMaster* Master();
Firebird::IUtil* Util();

// The client library's version for the version rules: "LI-V" (Linux) or "WI-V" (Windows) +
// major.minor.release.build.
std::string ClientVersionString();

// Ends the client's threads and attachments; programs call it before they exit.
void ClientShutdown();

// A status vector that turns errors into fb::DatabaseError instead of FbException (which is not
// a std::exception).
class Status {
public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* operator&() { return &FWrapper; }
    Firebird::CheckStatusWrapper* Get() { return &FWrapper; }
    bool Failed() const;
    // Throws the held error, if any, and clears the vector.
    void Check();
    void Clear() { FWrapper.init(); }

private:
    Firebird::IStatus* FStatus;
    Firebird::CheckStatusWrapper FWrapper;
};

// Owner of a reference-counted Firebird interface: release() on destruction.
struct ReleaseInterface {
    template <typename T> void operator()(T* p) const {
        if (p)
            p->release();
    }
};
template <typename T> using Ref = std::unique_ptr<T, ReleaseInterface>;

// Owner of a disposable Firebird object (XpbBuilder, Status).
struct DisposeInterface {
    template <typename T> void operator()(T* p) const {
        if (p)
            p->dispose();
    }
};
template <typename T> using Owned = std::unique_ptr<T, DisposeInterface>;

} // namespace fb
