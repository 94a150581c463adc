#include "zip/ZpZBrows.h"

#include <array>

#include "zip/ZpDiskPrompt.h"
#include "zip/ZpUtilsFs.h"

TZpArchiveType ZpArchiveTypeOf(const std::string& fileName)
{
    const std::string ext = ZpUpper(ZpExtractFileExt(fileName));
    const bool zipExt = ext == ".ZIP" || ext == ".JAR";
    if (!ZpFileExists(fileName) || ZpFileSizeOf(fileName) <= 0)
        return zipExt ? atZip : atUnknown;
    if (ext == ".TAR")
        return atTar;
    if (ext == ".GZ")
        return atGzip;
    if (ext == ".TGZ")
        return atTarGzip;
    if (ext == ".CAB")
        return atCab;
    if (!zipExt && ext != ".EXE")
        return atUnknown;
    try {
        std::unique_ptr<TStream> stream = ZpOpenFile(fileName, fmOpenRead);
        std::array<uint8_t, 4> head{};
        const size_t got = ZpReadUpTo(*stream, head);
        const uint32_t first = got == 4 ? ZpGet32(head.data()) : 0;
        if (zipExt) {
            if (first == kZpDataDescriptorSig || first == kZpSingleDiskMarker)
                return atZip;
            return TZpZipArchive::FindEndRecord(*stream) >= 0 ? atZip : atUnknown;
        }
        if (got >= 2 && head[0] == 'M' && head[1] == 'Z' && TZpZipArchive::FindEndRecord(*stream) >= 0)
            return atZipExe;
    } catch (const std::exception&) {
        // An unreadable file is of no known type.
    }
    return atUnknown;
}

void TZpCustomZipBrowser::SetPassword(const std::string& value)
{
    password_ = value;
    if (ZipArchive())
        ZipArchive()->Password = value;
}

void TZpCustomZipBrowser::Attach(TZpArchive& archive)
{
    TZpBaseBrowser::Attach(archive);
    auto& zip = static_cast<TZpZipArchive&>(archive);
    zip.Password = password_;
    zip.OnRequestLastDisk = OnRequestLastDisk;
    zip.OnRequestNthDisk = OnRequestNthDisk;
    ZpInstallDiskDefaults(zip, UiPort);
}
