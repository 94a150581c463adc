// One numbered reply of a command connection: a code and its text lines,
// assembled from the lines the server sends.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TNetReply {
public:
    virtual ~TNetReply() = default;

    const std::string& Code() const { return code_; }
    // A new code clears the text; an invalid one raises "Reply Code is not valid: %s".
    void SetCode(const std::string& code);
    // 0 when the code is empty or not a number.
    int NumericCode() const;
    std::vector<std::string> Text;

    // True when line (already trimmed) ends the reply.
    virtual bool IsEndLine(const std::string& line) const = 0;
    // Sets code and text from the collected lines (the last one ended the reply).
    virtual void Parse(const std::vector<std::string>& lines) = 0;
    // The reply as the server would send it, one entry per line.
    virtual std::vector<std::string> FormattedReply() const;
    virtual void Assign(const TNetReply& source);
    virtual std::unique_ptr<TNetReply> Clone() const = 0;

protected:
    virtual bool IsValidCode(const std::string& code) const = 0;

    std::string code_;
};

class TNetReplyRFC : public TNetReply {
public:
    bool IsEndLine(const std::string& line) const override;
    void Parse(const std::vector<std::string>& lines) override;
    std::unique_ptr<TNetReply> Clone() const override;

protected:
    // 100 to 999, or empty after trimming.
    bool IsValidCode(const std::string& code) const override;
};

enum TNetReplyRFCFormat { rfNormal, rfIndentMidLines };

// The FTP grammar: "ddd-" opens a multi-line reply, "ddd " (or a bare code) ends it.
class TNetReplyFTP : public TNetReplyRFC {
public:
    TNetReplyRFCFormat ReplyFormat = rfNormal;

    bool IsEndLine(const std::string& line) const override;
    void Parse(const std::vector<std::string>& lines) override;
    std::vector<std::string> FormattedReply() const override;
    void Assign(const TNetReply& source) override;
    std::unique_ptr<TNetReply> Clone() const override;
};
