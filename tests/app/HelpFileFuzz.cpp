// Any bytes as a help file: parsed or refused with EHelpFileError.
#include <cstdint>
#include <cstdlib>

#include "app/HelpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const THelpFile f = THelpFile::Parse({reinterpret_cast<const char*>(data), size});
        for (const auto& t : f.Topics()) {
            if (t.Context <= 0 || t.Title.empty() || f.Find(t.Context) != &t)
                std::abort();
            for (const auto& b : t.Blocks)
                for (const auto& s : SplitHelpLinks(b.Text))
                    if (s.LinkContext < 0)
                        std::abort();
        }
    } catch (const EHelpFileError&) {
    }
    return 0;
}
