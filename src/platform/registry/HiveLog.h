#pragma once

// The records of a hive's log (the file `<hive>.log` beside it): each write appends one record,
// whole or absent after a power cut:
//
//   "QRL1"   4 bytes, the mark of a record
//   length   4 bytes, little-endian: the bytes of the text that follows
//   check    4 bytes, little-endian: CRC-32 of the length's 4 bytes and of the text
//   text     `.reg` text (version 5.00, UTF-8) of the change, see HiveChanges.h
//
// Reading stops at the first record that is cut short, does not carry the mark or whose check
// does not match: that record and whatever follows are dropped.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::string EncodeLogRecord(std::string_view text);

struct LogRecord {
    std::size_t offset; // where the record starts in the log
    std::string_view text;
};

struct LogContents {
    std::vector<LogRecord> records; // the whole records, in order
    std::size_t validBytes = 0;     // the bytes they occupy from the start of the log
};

LogContents DecodeLog(std::string_view bytes);

} // namespace platform
