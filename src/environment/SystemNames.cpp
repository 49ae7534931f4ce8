#include "environment/SystemNames.h"

#include "environment/FailureHelpers.h"
#include "environment/Paths.h"
#include "platform/machine/LastError.h"
#include "platform/machine/Machine.h"

namespace {

constexpr platform::ErrorCode kErrorInsufficientBuffer = 122;

} // namespace

std::string GetComputerNameText() {
    // GetComputerNameW with a 16-character buffer: 15 characters and the terminating null.
    const std::string& name = platform::Machine::Current().Settings().computerName;
    platform::ErrorCode failure = 0;
    if (name.empty())
        failure = platform::kErrorNotLoggedOn;
    else if (WideLength(name) > 15)
        failure = platform::kErrorBufferOverflow;
    if (failure == 0)
        return name;
    if (failure == platform::kErrorNotLoggedOn)
        return "?";
    platform::SetLastError(failure);
    FailWithLastError("GetComputerName " + std::to_string(failure));
}

std::string GetUserNameText() {
    // GetUserNameW with an 80-character buffer, the terminating null included.
    const std::string& name = platform::Machine::Current().Settings().userName;
    if (name.empty()) {
        platform::SetLastError(platform::kErrorNotLoggedOn);
        return "?";
    }
    if (WideLength(name) + 1 > 80) {
        platform::SetLastError(kErrorInsufficientBuffer);
        return {};
    }
    return name;
}
