// A fresh temporary folder for a test; header-only, so any test can use it
// without linking the support library.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

// A new empty folder under the host's temporary folder, named prefix-XXXXXX;
// std::runtime_error when none can be made. The caller removes it.
inline std::filesystem::path MakeTempFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder " + pattern);
    return pattern;
}
