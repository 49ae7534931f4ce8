// The question on Windows: the console's own input and output (CONIN$, CONOUT$), read in UTF-16
// with echo switched off through the console mode, so that any character of the passphrase comes
// through whatever the console's code page.
#include "TerminalQuestion.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

namespace quarnelpack {

namespace {

class ConsoleHandle {
public:
    explicit ConsoleHandle(const wchar_t* name)
        : FHandle(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr)) {}
    ~ConsoleHandle() {
        if (FHandle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(FHandle);
        }
    }
    ConsoleHandle(const ConsoleHandle&) = delete;
    ConsoleHandle& operator=(const ConsoleHandle&) = delete;

    HANDLE Get() const { return FHandle; }
    bool IsConsole() const {
        DWORD mode = 0;
        return FHandle != INVALID_HANDLE_VALUE && ::GetConsoleMode(FHandle, &mode);
    }

private:
    HANDLE FHandle;
};

// Echo is switched off for the answer and the previous mode put back afterwards, whatever happens.
class NoEcho {
public:
    explicit NoEcho(HANDLE input)
        : FInput(input) {
        FSaved = ::GetConsoleMode(input, &FOld);
        if (FSaved) {
            ::SetConsoleMode(input, (FOld & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                                        ENABLE_PROCESSED_INPUT);
        }
    }
    ~NoEcho() {
        if (FSaved) {
            ::SetConsoleMode(FInput, FOld);
        }
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    HANDLE FInput;
    DWORD FOld = 0;
    bool FSaved = false;
};

void Show(HANDLE output, std::wstring_view text) {
    DWORD written = 0;
    ::WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace

std::optional<std::string> AskWithoutEcho(const std::string& prompt, std::size_t maxLength) {
    const ConsoleHandle input(L"CONIN$");
    const ConsoleHandle output(L"CONOUT$");
    if (!input.IsConsole() || !output.IsConsole()) {
        return std::nullopt;
    }
    std::wstring answer;
    {
        const NoEcho quiet(input.Get());
        Show(output.Get(), platform::win32::Wide(prompt));
        wchar_t c = 0;
        DWORD read = 0;
        // Each UTF-16 unit is at most three UTF-8 bytes: the cap holds whatever is typed.
        while (answer.size() <= maxLength && ::ReadConsoleW(input.Get(), &c, 1, &read, nullptr) && read == 1) {
            if (c == L'\r' || c == L'\n') {
                break;
            }
            answer += c;
        }
    }
    Show(output.Get(), L"\r\n");
    return platform::win32::Narrow(answer);
}

} // namespace quarnelpack
