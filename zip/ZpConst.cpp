#include "zip/ZpConst.h"

#include <array>
#include <string_view>

namespace {

struct TMessage {
    int code;
    const char* text;
};

// Codes are stable: handlers and logs compare them, so entries are only added.
constexpr std::array<TMessage, zmcLast> kMessages{{
    {zmcZipInvalid, "Invalid file - not a PKZip file"},
    {zmcNoArchive, "Archive does not exist - Filename is blank"},
    {zmcUnhandledType, "Unhandled Archive Type"},
    {zmcFileTooLarge, "File size is too big for archive type"},
    {zmcNoSuchDirectory, "Directory does not exist"},
    {zmcFileNotFound, "File not found"},
    {zmcDuplicateName, "Cannot insert file - duplicates stored name"},
    {zmcUserAbort, "Process aborted by user"},
    {zmcSpanningNotSupported, "Spanning not supported by this Archive type"},
    {zmcSpanOverwrite, "Cannot update an existing spanned disk set"},
    {zmcNoInsertion, "Cannot insert file - no insertion support provided"},
    {zmcBadStream, "Invalid Stream"},
    {zmcZipVersion, "Cannot extract file - newer version required"},
    {zmcBadSpanStream, "Spanned archives must be opened as file streams"},
    {zmcInvalidPassword, "Cannot extract file - invalid password"},
    {zmcLogFile, "Error creating Log File"},
    {zmcPathNotFound, "Path not found"},
    {zmcMoveFile, "Error Moving File %s to %s"},
    {zmcFullPathRequired, "Full Path Required"},
    {zmcInvalidMedia, "Invalid Media"},
    {zmcStreamFull, "Stream write error"},
    {zmcInvalidMethod, "Cannot extract file - unsupported compression method"},
    {zmcBadCRC, "Failed CRC Check"},
    {zmcZip64, "Cannot read archive - ZIP64 archives are not supported"},
    {zmcUnsafeName, "Cannot extract file - stored name is not a file name"},
    {zmcTruncated, "Cannot extract file - archive is truncated"},
    {zmcVMSOpenSwap, "VMS: Cannot open swap file %s"},
    {zmcVMSSeekFail, "VMS: Failed to seek in swap file %s"},
    {zmcVMSReadFail, "VMS: Failed to read %d bytes from swap file %s"},
    {zmcVMSWriteFail, "VMS: Failed to write %d bytes to swap file %s"},
    {zmcVMSInvalidOrigin, "VMS: invalid origin %d, should be 0, 1, 2"},
    {zmcEncrypted, "Cannot extract file - encrypted entries are not supported"},
}};

} // namespace

const char* ZpMessageText(int code)
{
    for (const TMessage& m : kMessages)
        if (m.code == code)
            return m.text;
    return "";
}

std::string ZpFormatMessage(int code, std::initializer_list<std::string> args)
{
    std::string_view text = ZpMessageText(code);
    std::string out;
    auto arg = args.begin();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == 'd')) {
            if (arg != args.end())
                out += *arg++;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
