#pragma once

// The names the machine reports for itself and for the person logged on.

#include <string>

// The computer name; "?" when nobody is logged on. Any other failure shows "GetComputerName " + code
// with the system's text and abandons (EAbort).
std::string GetComputerNameText();

// The user name; "?" when nobody is logged on (the machine has no user name); empty text on any
// other failure (a name longer than the 80-character buffer).
std::string GetUserNameText();
