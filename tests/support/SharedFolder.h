// The shared folder of fixtures and corpora, which sits beside the checkout
// or beside the folder of worktrees (header-only; needs VORN_SOURCE_DIR).
#pragma once

#include <filesystem>

// The folder holding corpus/, or empty when there is none.
inline std::filesystem::path SharedDir()
{
    namespace fs = std::filesystem;
    for (const fs::path& p : {fs::path(VORN_SOURCE_DIR) / ".." / "shared", fs::path(VORN_SOURCE_DIR) / ".." / ".." / "shared"})
        if (fs::exists(p / "corpus"))
            return p;
    return {};
}
