// The temporary folder and unique temporary file names.
#pragma once

#include <string>

// Windows name of the host's temporary folder ($TMPDIR or /tmp), with a
// trailing "\" (e.g. "Z:\tmp\").
std::string GetTempPath();
// Creates a new empty file "<folder>\<prefix><hex>.TMP", using up to the
// first three characters of prefix, and returns its full Windows name; ""
// when the folder cannot take one (errno tells why).
std::string GetTempFileName(const std::string& folder, const std::string& prefix);
