#include "KxUdf.h"

#include <deque>
#include <mutex>

namespace kx {

namespace {

// The server runs functions on several threads at once.
std::mutex logMutex;
std::deque<std::string> logLines;
constexpr std::size_t MaxLogLines = 200;

} // namespace

int Version() {
    return KX_UDF_VERSION_MAJOR * 1000000 + KX_UDF_VERSION_MINOR * 10000 + KX_UDF_VERSION_PATCH * 100 +
           KX_UDF_VERSION_TWEAK;
}

void Log(const std::string& line) {
    std::lock_guard lock(logMutex);
    logLines.push_back(line);
    if (logLines.size() > MaxLogLines)
        logLines.pop_front();
}

std::string LogText() {
    std::string text = "kx_udf " + std::to_string(KX_UDF_VERSION_MAJOR) + "." + std::to_string(KX_UDF_VERSION_MINOR) +
                       "." + std::to_string(KX_UDF_VERSION_PATCH) + "." + std::to_string(KX_UDF_VERSION_TWEAK) + "\r\n";
    std::lock_guard lock(logMutex);
    for (const std::string& line : logLines)
        text += line + "\r\n";
    return text;
}

} // namespace kx
