#include "zip/deflate/ZpDfXlat.h"

#include <cstring>

namespace {

// Every slot of a 256-entry part takes the larger of itself and its
// predecessor.
void CarryForward(uint8_t* part)
{
    for (unsigned i = 1; i < 256; ++i)
        if (part[i] < part[i - 1])
            part[i] = part[i - 1];
}

} // namespace

TZpDfTranslator::TZpDfTranslator()
{
    std::memset(table_, 0, sizeof table_);
    // Each base's slot receives its symbol; carried forward, every slot then
    // names the symbol with the greatest base not above it.
    uint8_t* lengths = table_ + kLengthAt;
    for (unsigned s = 0; s < 28; ++s)
        lengths[kZpLengthBase[s] - 3] = static_cast<uint8_t>(s);
    CarryForward(lengths);
    lengths[258 - 3] = 28;

    uint8_t* shorts = table_ + kShortAt;
    for (unsigned s = 0; s < 16; ++s)
        shorts[kZpDistanceBase[s] - 1] = static_cast<uint8_t>(s);
    CarryForward(shorts);

    uint8_t* mediums = table_ + kMediumAt;
    for (unsigned s = 16; s < 30; ++s)
        mediums[((kZpDistanceBase[s] - 1) >> 7) - 2] = static_cast<uint8_t>(s);
    CarryForward(mediums);

    table_[kLongAt] = 30;
    table_[kLongAt + 1] = 31;
}

const TZpDfTranslator& TZpDfTranslator::Instance()
{
    static const TZpDfTranslator instance;
    return instance;
}
