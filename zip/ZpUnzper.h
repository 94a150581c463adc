// The extractor component: opens an existing archive and extracts (or
// tests) its entries by mask into BaseDirectory.
#pragma once

#include <string>

#include "zip/ZpZBrows.h"

class TZpCustomUnZipper : public TZpCustomZipBrowser {
public:
    using TConfirmOverwriteEvent = std::function<void(std::string& name, bool& confirm)>;
    using TNeedPasswordEvent = std::function<void(TZpBaseBrowser& sender, std::string& newPassword)>;

    TZpCustomUnZipper();
    ~TZpCustomUnZipper() override;

    // Opens and reads the named archive (an empty name only closes).
    void SetFileName(const std::string& name) override;
    void ExtractMatching(const std::string& masks);
    // Decodes every matching entry without writing; failures go to
    // OnProcessItemFailure. Returns the count of entries whose test raised.
    int TestMatching(const std::string& masks);

    TZpExtractOptions ExtractOptions() const { return extractOptions_; }
    void SetExtractOptions(TZpExtractOptions value);
    uint8_t PasswordRetries = 3;

    TConfirmOverwriteEvent OnConfirmOverwrite;
    TNeedPasswordEvent OnNeedPassword;

protected:
    void Attach(TZpArchive& archive) override;

private:
    TZpExtractOptions extractOptions_ = eoCreateDirs;
};

class TZpUnZipper : public TZpCustomUnZipper {};
