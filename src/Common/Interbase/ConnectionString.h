#pragma once

// The forms of a Firebird database name (connection string) and how such a name splits into the
// server and the file as that server sees it. The connection dialog, the connection module, its
// version rules and its maintenance operations all classify names by these rules.

#include <string>

enum TConnectionType { ibctUnknown = 0, ibctLocal = 1, ibctTCPIP = 2, ibctNetBEUI = 3, ibctUNIX = 4, ibctNetWare = 5 };

// The form of `ConnectionStr`: "C:\x.fdb" local, "host:C:\x.fdb" TCP/IP, "host:/x.fdb" Unix,
// "\\host\x.fdb" NetBEUI, "x@host" NetWare, anything else unknown; the empty name is TCP/IP.
TConnectionType ConnectionTypeOf(const std::string& ConnectionStr);

// The server part and the file part of a local, TCP/IP or NetBEUI name; any other form fails with
// "error 0203130939".
void SplitConnectionString(const std::string& ConnectionStr, std::string& Server, std::string& FileName);
