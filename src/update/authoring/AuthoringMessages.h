#pragma once

// The texts of the package checks, each built in one place.

#include <cstdint>
#include <string>
#include <string_view>

namespace update::authoring::messages {

std::string UnknownProduct(int line, std::string_view name, std::string_view knownNames);
std::string ProductWrongCase(int line, std::string_view name, std::string_view product);
std::string ProductTwice(int line, std::string_view name);
std::string ProductWithoutUpdate(std::string_view name);
std::string NoProductList();
std::string NoProductNamed();
std::string MissingRunEnder(std::string_view product, std::string_view file);
std::string MissingProductFile(std::string_view product, std::string_view file);
std::string CommonWithoutFileList();
std::string NoTitle();
std::string NoChangesText();
std::string ChangesNotRtf();
std::string ListedFileMissing(std::string_view list, int line, std::string_view name);
std::string ListedNameRefused(std::string_view list, int line, std::string_view name, std::string_view why);
std::string PrintListNotRead(std::string_view name);
std::string PrintListsUnused();
std::string UnknownStep(int line, std::string_view name);
std::string Utf8Text(std::string_view file);
std::string MarkedPrintList(std::string_view file);
std::string TextTooLarge(std::string_view file, std::uint64_t size, std::uint64_t limit);
std::string TextConverted(std::string_view file, bool marked);
std::string Summary(int errors, int warnings);

} // namespace update::authoring::messages
