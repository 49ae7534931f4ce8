#pragma once

// One attachment of a Services API client: attached on construction, detached on destruction
// (errors ignored: the error that ends the operation early is the one the caller must see).
// End() detaches and lets a detach error propagate.

#include "firebird/Service.h"

class ServiceSession {
public:
    explicit ServiceSession(fb::Service& service)
        : FService(service) {
        FService.Attach();
    }
    ~ServiceSession() {
        try {
            FService.Detach();
        } catch (const std::exception&) {
            // the operation already failed with an error of its own
        }
    }
    ServiceSession(const ServiceSession&) = delete;
    ServiceSession& operator=(const ServiceSession&) = delete;

    void End() { FService.Detach(); }

private:
    fb::Service& FService;
};
