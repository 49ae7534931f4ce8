#include "environment/FailureHelpers.h"

#include "environment/Dialogs.h"
#include "environment/Errors.h"
#include "platform/errors/SystemError.h"

namespace {

constexpr std::string_view kCopyFailed = "Ne peut pas copier le fichier :";
constexpr std::string_view kDestination = "Destination :";
constexpr std::string_view kDeleteFailed = "Ne peut pas supprimer le fichier :";
constexpr std::string_view kAttributesFailed = "Ne peut pas modifier les attributs du fichier : ";

std::string Join(std::initializer_list<std::string_view> parts) {
    std::string text;
    bool first = true;
    for (std::string_view part : parts) {
        if (!first)
            text += "\r\n";
        text += part;
        first = false;
    }
    return text;
}

} // namespace

std::string SystemErrorText(platform::ErrorCode code) {
    return platform::SystemErrorText(code);
}

std::string CopyFailedMessage(std::string_view source, std::string_view destination, platform::ErrorCode code) {
    return Join({kCopyFailed, source, kDestination, destination, SystemErrorText(code)});
}

std::string DeleteFailedMessage(std::string_view file, platform::ErrorCode code) {
    return Join({kDeleteFailed, file, SystemErrorText(code)});
}

std::string AttributesFailedMessage(std::string_view file, platform::ErrorCode code) {
    return Join({kAttributesFailed, file, SystemErrorText(code)});
}

void FailWithLastError(std::string_view message) {
    ShowErrorMessage(std::string(message) + "\r\n" + SystemErrorText(platform::GetLastError()));
    Abort();
}

void RaiseCopyFailed(std::string_view source, std::string_view destination) {
    throw Exception(CopyFailedMessage(source, destination, platform::GetLastError()));
}

void RaiseDeleteFailed(std::string_view file) {
    throw Exception(DeleteFailedMessage(file, platform::GetLastError()));
}

void FailAttributes(std::string_view file) {
    ShowErrorMessage(AttributesFailedMessage(file, platform::GetLastError()));
    Abort();
}
