#include "ReferenceInflaters.h"

#include <isa-l/igzip_lib.h>
#include <memory>
#include <stdexcept>
#include <unistd.h>
#include <zlib.h>
#ifdef QUARNEL_BENCH_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace packagebench {

namespace {

constexpr std::size_t kPiece = 64 * 1024;

void ReadAt(int fd, std::uint64_t offset, std::span<unsigned char> buffer) {
    if (::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(buffer.size())) {
        throw std::runtime_error("pread");
    }
}

void Write(int fd, const unsigned char* data, std::size_t size) {
    while (fd >= 0 && size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n <= 0) {
            throw std::runtime_error("write");
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

} // namespace

std::uint64_t ZlibInflate(int packageFd, std::uint64_t offset, std::uint64_t length, int outputFd) {
    std::vector<unsigned char> in(kPiece);
    std::vector<unsigned char> out(kPiece);
    z_stream stream{};
    inflateInit(&stream);
    int status = Z_OK;
    std::uint64_t total = 0;
    for (std::uint64_t done = 0; done < length && status != Z_STREAM_END;) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), length - done));
        ReadAt(packageFd, offset + done, std::span(in).first(piece));
        done += piece;
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(piece);
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            status = inflate(&stream, Z_NO_FLUSH);
            Write(outputFd, out.data(), out.size() - stream.avail_out);
            total += out.size() - stream.avail_out;
        } while (stream.avail_out == 0 && status == Z_OK);
    }
    inflateEnd(&stream);
    return total;
}

std::uint64_t IsalInflate(int packageFd, std::uint64_t offset, std::uint64_t length, int outputFd) {
    std::vector<unsigned char> in(kPiece);
    std::vector<unsigned char> out(kPiece);
    auto state = std::make_unique<inflate_state>();
    isal_inflate_init(state.get());
    state->crc_flag = ISAL_ZLIB;
    std::uint64_t total = 0;
    for (std::uint64_t done = 0; done < length && state->block_state != ISAL_BLOCK_FINISH;) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), length - done));
        ReadAt(packageFd, offset + done, std::span(in).first(piece));
        done += piece;
        state->next_in = in.data();
        state->avail_in = static_cast<std::uint32_t>(piece);
        do {
            state->next_out = out.data();
            state->avail_out = static_cast<std::uint32_t>(out.size());
            if (isal_inflate(state.get()) != ISAL_DECOMP_OK) {
                throw std::runtime_error("isal_inflate");
            }
            Write(outputFd, out.data(), out.size() - state->avail_out);
            total += out.size() - state->avail_out;
        } while (state->avail_out == 0 && state->block_state != ISAL_BLOCK_FINISH);
    }
    return total;
}

#ifdef QUARNEL_BENCH_HAVE_LIBDEFLATE
bool HaveLibdeflate() {
    return true;
}

std::uint64_t LibdeflateInflate(std::span<const unsigned char> stream, std::vector<unsigned char>& output) {
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    std::size_t produced = 0;
    const auto result =
        libdeflate_zlib_decompress(decompressor, stream.data(), stream.size(), output.data(), output.size(), &produced);
    libdeflate_free_decompressor(decompressor);
    if (result != LIBDEFLATE_SUCCESS) {
        throw std::runtime_error("libdeflate_zlib_decompress");
    }
    return produced;
}
#else
bool HaveLibdeflate() {
    return false;
}

std::uint64_t LibdeflateInflate(std::span<const unsigned char>, std::vector<unsigned char>&) {
    return 0;
}
#endif

} // namespace packagebench
