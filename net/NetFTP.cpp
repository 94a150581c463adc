// Protocol steps follow the order the server sees them; each command lists
// the reply codes it accepts, anything else raises the reply as an error.
#include "net/NetFTP.h"

#include <cstdlib>
#include <strings.h>

#include "net/NetException.h"
#include "net/NetOTP.h"
#include "net/NetText.h"
#include "platform/FileStream.h"

namespace {

std::string FirstWord(const std::string& s)
{
    const std::string t = NetTrim(s);
    return t.substr(0, t.find(' '));
}

std::string Joined(const std::vector<std::string>& lines, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i)
        out += (i ? separator : "") + lines[i];
    return out;
}

bool StartsWithNoCase(const std::string& s, const char* prefix)
{
    return strncasecmp(s.c_str(), prefix, std::char_traits<char>::length(prefix)) == 0;
}

std::string FirstLine(const TNetReply& reply)
{
    return reply.Text.empty() ? std::string() : reply.Text.front();
}

} // namespace

// ------------------------------------------------------------- features

bool TNetExplicitTLSClient::IsFeature(const std::string& name) const
{
    for (const auto& line : Features)
        if (strcasecmp(FirstWord(line).c_str(), name.c_str()) == 0)
            return true;
    return false;
}

std::vector<std::string> TNetExplicitTLSClient::FeatureFacts(const std::string& name) const
{
    std::vector<std::string> facts;
    for (const auto& line : Features) {
        const std::string t = NetTrim(line);
        const size_t space = t.find(' ');
        if (strcasecmp(t.substr(0, space).c_str(), name.c_str()) != 0)
            continue;
        const std::string rest = space == std::string::npos ? std::string() : t.substr(space + 1);
        size_t start = 0;
        for (;;) {
            const size_t semi = rest.find(';', start);
            const std::string item = NetTrim(rest.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
            if (!item.empty())
                facts.push_back(item);
            if (semi == std::string::npos)
                break;
            start = semi + 1;
        }
        break;
    }
    return facts;
}

// ------------------------------------------------------------- TNetFTP

TNetFTP::TNetFTP() : loginReply_(std::make_unique<TNetReplyFTP>())
{
    Port = 21;
    SetReadTimeout(60000);
}

TNetFTP::~TNetFTP() = default;

std::unique_ptr<TNetReply> TNetFTP::MakeReply() const
{
    return std::make_unique<TNetReplyFTP>();
}

void TNetFTP::SetIOHandler(TNetIOHandler* handler, bool owned)
{
    if (handler && !dynamic_cast<TNetIOHandlerSocket*>(handler)) {
        const std::unique_ptr<TNetIOHandler> refused(owned ? handler : nullptr);
        throw ENetFTPWrongIOHandler();
    }
    TNetTCPConnection::SetIOHandler(handler, owned);
}

void TNetFTP::SetTransferType(TNetFTPTransferType type)
{
    if (type == transferType_ || dataChannel_)
        return;
    if (Connected())
        SendCommand(type == ftASCII ? "TYPE A" : "TYPE I", {200});
    transferType_ = type;
}

void TNetFTP::SendTransferType()
{
    SendCommand(transferType_ == ftASCII ? "TYPE A" : "TYPE I", {200});
}

void TNetFTP::Connect()
{
    // Checked before anything else: the close-on-failure below must never
    // end a connection that is in use.
    if (Connected())
        throw ENetAlreadyConnected();
    // 1. Fresh connection state.
    serverTimeZone_ = {};
    usingExtDataPort_ = UseExtensionDataPort;
    Features.clear();
    canUseMLSD_ = false;
    languages_.clear();
    bool sendQuitOnError = false;
    try {
        // 2. TCP connect (no proxy scheme is in use).
        TNetTCPClientCustom::Connect();
        // 3. The control connection speaks ISO 8859-1 until the server accepts UTF-8.
        handler_->DefStringEncoding = enLatin1;

        // 4. Welcome: at most one preliminary 1xx, then 220.
        ReadReply();
        if (LastReply().NumericCode() / 100 == 1) {
            if (OnBannerWarning)
                OnBannerWarning(*this, Joined(LastReply().FormattedReply(), "\r\n"));
            ReadReply();
        }
        if (LastReply().NumericCode() != 220)
            RaiseExceptionForLastCmdResult();
        sendQuitOnError = true;
        WelcomeReply().Assign(LastReply());

        // 5. HOST names the virtual host; a numeric one goes in brackets.
        if (UseHOST) {
            const auto* binding = Socket() ? Socket()->Binding() : nullptr;
            const bool numeric = binding && Host == binding->PeerIP();
            WriteCommand(numeric ? "HOST [" + Host + "]" : "HOST " + Host);
            if (ReadReply() == 220)
                WelcomeReply().Assign(LastReply());
        }

        // 6.
        if (OnBannerBeforeLogin)
            OnBannerBeforeLogin(*this, Joined(WelcomeReply().FormattedReply(), "\r\n"));

        // 7.
        if (AutoLogin) {
            Login();
            if (OnAfterClientLogin)
                OnAfterClientLogin(*this);
            SendSyst();
            if (SiteZoneTest())
                SendSiteZone();
            SendTransferType();
            DoStatus(ftpReady, "Connection established");
        } else {
            SendSyst();
            if (AutoFeatures)
                ProcessFeatures();
        }
    } catch (...) {
        // 8. Close; a server whose welcome was not accepted gets no QUIT.
        try {
            Disconnect(sendQuitOnError);
        } catch (const ENetException&) {
        }
        throw;
    }
}

void TNetFTP::Login()
{
    if (UseTLS == utNoTLSSupport && OnTLSNotAvailable) {
        bool goOn = true;
        OnTLSNotAvailable(*this, goOn);
        if (!goOn) {
            Disconnect(false);
            throw ENetTLSClientTLSNotAvailable();
        }
    }
    if (SendCommand("USER " + Username, {230, 232, 331}) == 331) {
        const auto otp = NetOTPResponse(Joined(LastReply().Text, "\n"), Password);
        const int code = SendCommand("PASS " + (otp ? *otp : Password), {230, 332});
        const bool wantsAccount = code == 332 ||
            (Joined(LastReply().Text, "\r\n").find("ACCOUNT") != std::string::npos && !Account.empty());
        if (wantsAccount) {
            if (Account.empty() && OnNeedAccount)
                OnNeedAccount(*this, Account);
            if (Account.empty())
                RaiseExceptionForLastCmdResult();
            SendCommand("ACCT " + Account, {202, 230, 500});
        }
    }
    loginReply_->Assign(LastReply());
    if (OnBannerAfterLogin)
        OnBannerAfterLogin(*this, Joined(loginReply_->FormattedReply(), "\r\n"));
    if (AutoFeatures)
        ProcessFeatures();
    SendTransferType();
}

void TNetFTP::SendSyst()
{
    systemType_ = SendCommand("SYST") == 500 ? "Unknown" : FirstLine(LastReply());
}

bool TNetFTP::SiteZoneTest()
{
    const std::string first = FirstLine(WelcomeReply());
    for (const char* server : {"Serv-U ", "BPFTP Server ", "TitanFTP server ", "Titan FTP Server "})
        if (StartsWithNoCase(first, server))
            return true;
    for (const auto& fact : FeatureFacts("SITE"))
        if (strcasecmp(fact.c_str(), "ZONE") == 0)
            return true;
    return false;
}

void TNetFTP::SendSiteZone()
{
    if (SendCommand("SITE ZONE") != 210)
        return;
    const std::string line = FirstLine(LastReply());
    if (line.size() <= 3)
        return;
    // "UTC-300": minutes west of GMT; a text that is no number is ignored.
    const std::string number = NetTrim(line.substr(3));
    char* end = nullptr;
    const long minutes = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || minutes < -100000 || minutes > 100000)
        return;
    const long magnitude = minutes < 0 ? -minutes : minutes;
    const double offset = static_cast<double>(magnitude / 60) / 24.0 + static_cast<double>(magnitude % 60) / 1440.0;
    serverTimeZone_.GMTOffset = minutes <= 0 ? offset : -offset;
    serverTimeZone_.GMTOffsetAvailable = true;
}

void TNetFTP::ProcessFeatures()
{
    const int code = SendCommand("FEAT");
    Features.clear();
    if (code == 211 || code == 221) {
        const auto& text = LastReply().Text;
        // Drop the header line and the closing line.
        for (size_t i = 1; i + 1 < text.size(); ++i)
            Features.push_back(text[i]);
    }
    usingExtDataPort_ = UseExtensionDataPort && IsFeature("EPRT") && IsFeature("EPSV");
    canUseMLSD_ = IsFeature("MLSD") || IsFeature("MLST");
    languages_ = FeatureFacts("LANG");

    std::string client = FirstWord(ClientInfo.ClientName);
    if (!client.empty() && !FirstWord(ClientInfo.ClientVersion).empty()) {
        client += " " + FirstWord(ClientInfo.ClientVersion);
        if (!ClientInfo.PlatformDescription.empty())
            client += " " + ClientInfo.PlatformDescription;
    }
    if (!client.empty() && IsFeature("CLNT"))
        SendCommand("CLNT " + client);

    if (IsFeature("UTF8")) {
        bool accepted = SendCommand("OPTS UTF8 ON") == 200;
        if (!accepted)
            accepted = SendCommand("OPTS UTF-8 NLST") == 200;
        if (accepted)
            handler_->DefStringEncoding = enUTF8;
    }
}

void TNetFTP::ChangeDir(const std::string& folder)
{
    SendCommand("CWD " + folder, {200, 250});
}

std::string TNetFTP::CurrentDir()
{
    SendCommand("PWD", {257});
    const std::string line = FirstLine(LastReply());
    const size_t open = line.find('"');
    if (open == std::string::npos)
        return {};
    const size_t close = line.find('"', open + 1);
    return line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

void TNetFTP::TransferData(const std::string& command, const TNetReplyCodes& accepted,
                           const std::function<void(TNetIOHandler&)>& move)
{
    // 1.
    abortFlag_ = false;
    DoStatus(ftpTransfer, "Starting FTP transfer");
    std::exception_ptr failure;
    try {
        // 2. The data channel and its handler.
        dataChannel_ = std::make_unique<TNetSimpleServer>();
        auto data = std::make_unique<TNetIOHandlerStack>();
        data->IPVersion = Socket()->IPVersion;
        data->ReadTimeout = TransferTimeout;
        data->SendBufferSize = handler_->SendBufferSize;
        data->RecvBufferSize = handler_->RecvBufferSize;
        data->LargeStream = true;
        data->WorkTarget = this;
        dataChannel_->SetIOHandler(std::move(data));
        dataChannel_->IPVersion = Socket()->IPVersion;

        // 3. Listen on the control connection's local address.
        dataChannel_->BoundIP = Socket()->Binding()->IP;
        dataChannel_->BoundPort = DataPort;
        dataChannel_->BoundPortMin = DataPortMin;
        dataChannel_->BoundPortMax = DataPortMax;
        if (OnDataChannelCreate)
            OnDataChannelCreate(*this, *dataChannel_);
        dataChannel_->BeginListen();

        // 4. PORT h1,h2,h3,h4,p1,p2
        std::string address = ExternalIP.empty() ? dataChannel_->Binding()->IP : ExternalIP;
        for (char& c : address)
            if (c == '.')
                c = ',';
        const uint16_t port = dataChannel_->Binding()->Port;
        SendCommand("PORT " + address + "," + std::to_string(port / 256) + "," + std::to_string(port % 256), {200});

        // 5.-7.
        SendCommand(command, accepted);
        dataChannel_->Listen(ListenTimeout);
        move(*dataChannel_->IOHandler());
    } catch (...) {
        failure = std::current_exception();
    }
    // 8. Close the data connection, then the final reply unless the
    // transfer was refused. A failure here replaces the earlier one.
    if (dataChannel_) {
        if (OnDataChannelDestroy)
            OnDataChannelDestroy(*this, *dataChannel_);
        dataChannel_.reset();
    }
    if (LastReply().NumericCode() / 100 >= 3) {
        DoStatus(ftpAborted, "Transfer aborted");
    } else {
        DoStatus(ftpReady, "Transfer complete");
        ReadReply({226, 225, 250});
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TNetFTP::List(std::vector<std::string>* destination, const std::string& specifier, bool details)
{
    TMemoryStream received;
    auto receive = [&](TNetIOHandler& data) { data.ReadStream(received, -1, true); };
    if (details && UseMLIS && canUseMLSD_) {
        TransferData(NetTrim("MLSD " + specifier), {125, 150, 154}, receive);
        listResult_.Details = true;
        listResult_.MachineListing = true;
    } else {
        const TNetFTPTransferType before = transferType_;
        if (before != ftASCII)
            SetTransferType(ftASCII);
        try {
            TransferData(NetTrim(std::string(details ? "LIST" : "NLST") + " " + specifier), {125, 150, 154}, receive);
        } catch (...) {
            if (before != ftASCII) {
                try {
                    SetTransferType(before);
                } catch (const ENetException&) {
                    // The transfer's own failure is the one to report.
                }
            }
            throw;
        }
        listResult_.Details = details;
        listResult_.MachineListing = false;
        if (before != ftASCII)
            SetTransferType(before);
    }
    const std::string text = NetDecodeText(received.Bytes(), handler_->DefStringEncoding);
    listResult_.Lines.clear();
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            listResult_.Lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        listResult_.Lines.push_back(text.substr(start));
    if (destination)
        *destination = listResult_.Lines;
    if (OnRetrievedDir)
        OnRetrievedDir(*this);
}

void TNetFTP::Put(const std::string& localHostFile, const std::string& remoteName, bool append)
{
    std::string name = remoteName;
    if (name.empty()) {
        const size_t slash = localHostFile.find_last_of("/\\");
        name = slash == std::string::npos ? localHostFile : localHostFile.substr(slash + 1);
    }
    THostFileStream file(localHostFile, fmOpenRead);
    Put(file, name, append);
}

void TNetFTP::Put(TStream& source, const std::string& remoteName, bool append)
{
    if (remoteName.empty())
        throw ENetFTPUploadFileNameCanNotBeEmpty();
    // True once every byte went out: only then may a server that closes
    // instead of answering be taken as having stored the file.
    bool allSent = false;
    auto send = [&](TNetIOHandler& data) {
        try {
            data.WriteStream(source, append ? -1 : 0, false);
            allSent = true;
        } catch (const ENetConnClosedGracefully&) {
            // The server ended the data connection; its final reply decides.
        } catch (const ENetSocketError& e) {
            if (e.LastError() != 10053 && e.LastError() != 10054 && e.LastError() != 10058)
                throw;
        }
    };
    try {
        TransferData((append ? "APPE " : "STOR ") + remoteName, {125, 150}, send);
    } catch (const ENetConnClosedGracefully&) {
        if (!allSent)
            throw;
    }
    if (OnAfterPut)
        OnAfterPut(*this);
}

void TNetFTP::NotifyPeerOfDisconnect()
{
    // QUIT is a courtesy: a connection that breaks meanwhile is closed anyway.
    try {
        if (!handler_ || !handler_->Connected())
            return;
        WriteCommand("QUIT");
        if (handler_->Connected() && (!handler_->InputBuffer().Empty() || handler_->Readable(10)))
            ReadReply();
    } catch (const ENetException&) {
    }
}
