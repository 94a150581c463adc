#include "zip/ZpTempFileStream.h"

#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"

TZpTempFileStream::TZpTempFileStream()
{
    fileName_ = ZpCreateUniqueTempFile(ZpTempFolder(), "VMS");
    if (fileName_.empty())
        throw EZpException("Cannot create a temporary file in " + ZpTempFolder(), zmcBadStream);
    try {
        file_ = ZpOpenFile(fileName_, fmOpenReadWrite, fsShareExclusive);
    } catch (...) {
        ZpDeleteFile(fileName_);
        throw;
    }
}

TZpTempFileStream::~TZpTempFileStream()
{
    file_.reset();
    ZpDeleteFile(fileName_);
}

void TZpTempFileStream::Close()
{
    file_.reset();
}
