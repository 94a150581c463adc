// Text helpers the FTP client's files share.
#pragma once

#include <string>
#include <string_view>

// s without its leading and trailing blanks and control characters (every
// byte up to and including the space).
std::string NetTrim(std::string_view s);
