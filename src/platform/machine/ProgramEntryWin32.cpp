// The program's entry on Windows: the wide command line, binary standard streams, and a console
// that receives UTF-16 (WriteConsoleW) so that accents show whatever its code page is.
#include "platform/machine/ProgramEntry.h"
#include "platform/machine/Wide.h"
#include "platform/machine/WindowsApi.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <shellapi.h>
#include <streambuf>
#include <string_view>

namespace platform {

namespace {

// Where a text may be cut without splitting a UTF-8 sequence: the length of its complete
// sequences, the bytes after it being the start of a sequence still to come.
std::size_t CompleteUtf8Length(std::string_view bytes) {
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: its lead is further back
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// A stream buffer that writes its UTF-8 text to a console as UTF-16. Bytes that are not UTF-8
// show as the replacement character rather than in the console's code page.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console)
        : FConsole(console) {
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    }
    ~ConsoleBuffer() override { Write(false); }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

protected:
    int_type overflow(int_type ch) override {
        if (!Write(true))
            return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }

    int sync() override { return Write(true) ? 0 : -1; }

private:
    // Writes what the buffer holds; with keepTail, an unfinished UTF-8 sequence at its end waits
    // for the bytes that complete it.
    bool Write(bool keepTail) {
        const std::string_view pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
        const std::size_t complete = keepTail ? CompleteUtf8Length(pending) : pending.size();
        bool written = true;
        if (complete > 0) {
            std::array<wchar_t, kBufferSize> wide{};
            const int count = ::MultiByteToWideChar(CP_UTF8, 0, pending.data(), static_cast<int>(complete), wide.data(),
                                                    static_cast<int>(wide.size()));
            for (int done = 0; done < count;) {
                DWORD step = 0;
                if (!::WriteConsoleW(FConsole, wide.data() + done, static_cast<DWORD>(count - done), &step, nullptr) ||
                    step == 0) {
                    written = false;
                    break;
                }
                done += static_cast<int>(step);
            }
        }
        // The unfinished tail moves to the front of the buffer.
        const std::string tail(pending.substr(complete));
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
        for (char byte : tail)
            sputc(byte);
        return written;
    }

    static constexpr std::size_t kBufferSize = 1024;
    HANDLE FConsole;
    std::array<char, kBufferSize> FBuffer{};
};

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetFileType(handle) == FILE_TYPE_CHAR &&
           ::GetConsoleMode(handle, &mode);
}

// The arguments as the wide command line gives them; empty when it cannot be read.
std::vector<std::string> WideArguments() {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr)
        return {};
    struct Release {
        LPWSTR* list;
        ~Release() { ::LocalFree(list); }
    } release{wide};
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        arguments.push_back(win32::Narrow(wide[i]));
    return arguments;
}

} // namespace

// The console buffers of the standard output and error streams, and the buffers they replaced,
// put back when the program's entry ends.
class ProgramEntry::Streams {
public:
    Streams() {
        for (FILE* stream : {stdin, stdout, stderr})
            ::_setmode(::_fileno(stream), _O_BINARY);
        if (const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE); IsConsole(output))
            Replace(std::cout, output, FOutput);
        if (const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE); IsConsole(error)) {
            Replace(std::cerr, error, FError);
            FClog = std::clog.rdbuf(FError.get());
        }
    }

    ~Streams() {
        std::cout.flush();
        std::cerr.flush();
        std::clog.flush();
        if (FClog != nullptr)
            std::clog.rdbuf(FClog);
        for (auto& [stream, previous] : FReplaced)
            stream->rdbuf(previous);
    }

    Streams(const Streams&) = delete;
    Streams& operator=(const Streams&) = delete;

private:
    void Replace(std::ostream& stream, HANDLE console, std::unique_ptr<ConsoleBuffer>& buffer) {
        stream.flush();
        buffer = std::make_unique<ConsoleBuffer>(console);
        FReplaced.emplace_back(&stream, stream.rdbuf(buffer.get()));
    }

    std::unique_ptr<ConsoleBuffer> FOutput;
    std::unique_ptr<ConsoleBuffer> FError;
    std::streambuf* FClog = nullptr;
    std::vector<std::pair<std::ostream*, std::streambuf*>> FReplaced;
};

ProgramEntry::ProgramEntry(int argc, char** argv)
    : FStreams(std::make_unique<Streams>()) {
    std::vector<std::string> arguments = WideArguments();
    if (arguments.empty() && argc > 0)
        arguments.assign(argv, argv + argc);
    if (!arguments.empty()) {
        FProgramPath = arguments.front();
        FArguments.assign(arguments.begin() + 1, arguments.end());
    }
}

ProgramEntry::~ProgramEntry() = default;

} // namespace platform
